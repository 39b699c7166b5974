// svn's output, whatever it holds, is classified without harm: a failed run leaves the record as it
// was, and the text kept is the output itself.
#include "FuzzRequire.h"
#include "svn/CSubAutomation.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

SVNInfo MarkedRecord() {
    const QString mark = QStringLiteral("mark");
    return SVNInfo{mark, mark, mark, mark, mark, mark, mark, mark, mark, mark};
}

bool IsMarked(const SVNInfo& record) {
    const QString mark = QStringLiteral("mark");
    for (const QString* member :
         {&record.m_strKind, &record.m_strPath, &record.m_strRevision, &record.m_strUrl, &record.m_strRoot,
          &record.m_strUuid, &record.m_strSchedule, &record.m_strCommitRevision, &record.m_strCommitAuthor,
          &record.m_strCommitDate}) {
        if (*member != mark)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string output(reinterpret_cast<const char*>(data), size);
    CSubAutomation automation;
    SVNInfo record = MarkedRecord();
    const int result = automation.ReadOutput(output, record);

    FuzzRequire(result >= InfoOk && result <= InfoBadXml, "the result is one of the four codes");
    FuzzRequire(result == InfoOk || IsMarked(record), "a failed run leaves the record untouched");
    FuzzRequire(automation.m_strOutput == QString::fromLocal8Bit(output.data(), static_cast<qsizetype>(size)),
                "the kept output is the whole output");
    FuzzRequire(result != InfoBadXml ||
                    automation.m_strMessage.startsWith(QStringLiteral("Error parsing xlm in ")),
                "a parse failure says so");
    return 0;
}
