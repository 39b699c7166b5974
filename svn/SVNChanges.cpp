#include "svn/SVNChanges.h"

namespace {

constexpr qsizetype kMaxFirstLineLength = 80;
constexpr std::size_t kMaxSummaries = 5;

QString FirstLine(const QString& message) {
    QString line = message.section(QLatin1Char('\n'), 0, 0);
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    if (line.size() <= kMaxFirstLineLength)
        return line;
    const qsizetype kept =
        line.at(kMaxFirstLineLength - 1).isHighSurrogate() ? kMaxFirstLineLength - 1 : kMaxFirstLineLength;
    return line.left(kept) + QStringLiteral("...");
}

} // namespace

QString SummaryLine(const SVNLogEntry& entry) {
    return (entry.m_strCommit.isEmpty() ? QStringLiteral("r%1 %2: %3") : QStringLiteral("%1 %2: %3"))
        .arg(entry.m_strRevision, entry.m_strAuthor, FirstLine(entry.m_strMessage));
}

QStringList SummaryLines(const SVNChanges& changes) {
    QStringList lines;
    for (std::size_t i = 0; i < changes.m_Revisions.size() && i < kMaxSummaries; ++i)
        lines.append(SummaryLine(changes.m_Revisions[i]));
    const std::size_t rest = changes.m_Revisions.size() - static_cast<std::size_t>(lines.size());
    // A log cut at its limit leaves the older revisions unknown: the count is then a least one.
    if (changes.m_bMore)
        lines.append(rest > 0 ? QStringLiteral("(and at least %1 more)").arg(rest)
                              : QStringLiteral("(and perhaps more)"));
    else if (rest > 0)
        lines.append(QStringLiteral("(and %1 more)").arg(rest));
    return lines;
}
