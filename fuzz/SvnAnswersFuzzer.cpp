// svn's answers to `log --xml -v` and `status -u --xml`, whatever they hold, are read without harm: a
// failed read leaves what it fills untouched, output past the run's limit never reads, the texts read
// are cut to their length, the summary lines stay short and few, and the revisions found lacking
// are revisions of the log, in its order. The first byte picks the reader.
#include "FuzzRequire.h"
#include "engine/CMissingRevisions.h"
#include "platform/CommandRunner.h"
#include "svn/CLogReader.h"
#include "svn/CStatusReader.h"
#include "svn/SVNChanges.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr qsizetype kMaxFieldLength = 256;
// "r" + revision + " " + author + ": " + a first line of at most 80 characters and "...".
constexpr qsizetype kMaxSummaryLength = 1 + kMaxFieldLength + 1 + kMaxFieldLength + 2 + 83;

void CheckLog(const std::string& output) {
    std::vector<SVNLogEntry> entries(1);
    entries.front().m_strRevision = QStringLiteral("mark");
    const std::vector<SVNLogEntry> marked = entries;
    const bool bRead = CLogReader::Read(output, entries);
    FuzzRequire(bRead || entries == marked, "a failed read leaves the entries untouched");
    FuzzRequire(!bRead || output.size() <= kListingOutputLimit, "output past the limit never reads");
    if (!bRead)
        return;
    for (const SVNLogEntry& entry : entries) {
        FuzzRequire(entry.m_strRevision.size() <= kMaxFieldLength &&
                        entry.m_strAuthor.size() <= kMaxFieldLength &&
                        entry.m_strDate.size() <= kMaxFieldLength,
                    "texts are cut to their length");
        FuzzRequire(SummaryLine(entry).size() <= kMaxSummaryLength, "a summary keeps to one short line");
    }
    const QStringList lines = SummaryLines(SVNChanges{{}, entries, false});
    FuzzRequire(lines.size() <= 6, "at most five summaries and a count");
    const std::vector<SVNLogEntry> lacking = CMissingRevisions::Select(entries, SVNCopyFolder{});
    auto next = entries.begin();
    for (const SVNLogEntry& entry : lacking) {
        next = std::find(next, entries.end(), entry);
        FuzzRequire(next != entries.end(), "the lacking revisions are the log's, in its order");
        ++next;
    }
}

void CheckStatus(const std::string& output) {
    SVNStatus status;
    status.m_OutOfDate.resize(1);
    status.m_OutOfDate.front().m_strPath = QStringLiteral("mark");
    const SVNStatus marked = status;
    const bool bRead = CStatusReader::Read(output, status);
    FuzzRequire(bRead || status == marked, "a failed read leaves the status untouched");
    FuzzRequire(!bRead || output.size() <= kListingOutputLimit, "output past the limit never reads");
    for (const SVNOutOfDateItem& item : bRead ? status.m_OutOfDate : std::vector<SVNOutOfDateItem>{})
        FuzzRequire(item.m_strRevision.size() <= kMaxFieldLength &&
                        item.m_strChange.size() <= kMaxFieldLength,
                    "texts are cut to their length");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string output(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] % 2 == 0)
        CheckLog(output);
    else
        CheckStatus(output);
    return 0;
}
