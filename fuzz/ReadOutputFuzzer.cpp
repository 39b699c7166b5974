// svn's output, whatever it holds, is classified without harm: a failed run leaves the record as it
// was, the text kept is the output itself, output past the run's limit never reads as a document,
// and the texts read are cut to their length. A document that starts the output reads the same
// after the lines svn or ssh may print before it.
#include "FuzzRequire.h"
#include "svn/CSubAutomation.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

constexpr qsizetype kMaxFieldLength = 256;

// What comes before svn's document: its warnings for a locale that is not installed, and ssh's
// notice on a host it has not seen, with the line ends each uses.
const std::string kLeadingTexts[] = {
    "svn: warning: cannot set LC_CTYPE locale\n"
    "svn: warning: environment variable LANG is xx_YY.UTF-8\n"
    "svn: warning: please check that your locale name is correct\n",
    "Warning: Permanently added 'host' (ED25519) to the list of known hosts.\r\n",
    "\n",
};

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

bool ShownTextsAreCut(const SVNInfo& record) {
    for (const QString* member :
         {&record.m_strKind, &record.m_strRevision, &record.m_strUuid, &record.m_strSchedule,
          &record.m_strCommitRevision, &record.m_strCommitAuthor, &record.m_strCommitDate}) {
        if (member->size() > kMaxFieldLength)
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
    FuzzRequire(result != InfoOk || size <= kDefaultOutputLimit, "output past the limit never reads");
    FuzzRequire(result != InfoOk || ShownTextsAreCut(record), "texts are cut to their length");

    if (output.rfind("<?xml", 0) != 0)
        return 0;
    const std::string& leadingText = kLeadingTexts[size % std::size(kLeadingTexts)];
    if (leadingText.size() + size > kDefaultOutputLimit)
        return 0;
    CSubAutomation afterText;
    SVNInfo recordAfterText = MarkedRecord();
    FuzzRequire(afterText.ReadOutput(leadingText + output, recordAfterText) == result,
                "lines before the document change no result");
    FuzzRequire(recordAfterText == record, "lines before the document change no record");
    return 0;
}
