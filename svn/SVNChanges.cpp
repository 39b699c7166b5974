#include "svn/SVNChanges.h"

#include <algorithm>

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

constexpr qsizetype kMaxNamedEdits = 3;

// The file's own name, the last of its path.
QString FileName(const QString& path) {
    return path.section(QLatin1Char('/'), -1);
}

// A Git commit goes by its short name alone.
QString RevisionList(const SVNEditPrediction& prediction) {
    if (prediction.m_bGit)
        return prediction.m_Revisions.join(QStringLiteral(", "));
    QStringList named;
    for (const QString& revision : prediction.m_Revisions)
        named.append(QLatin1Char('r') + revision);
    return named.join(QStringLiteral(", "));
}

QString CouldNotTell(const SVNEditPrediction& prediction) {
    return prediction.m_bGit ? QStringLiteral("git could not tell") : QStringLiteral("svn could not tell");
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

QString OutcomeText(const SVNEditPrediction& prediction) {
    switch (prediction.m_eOutcome) {
    case SVNEditPrediction::Outcome::Conflicts:
        return QStringLiteral("conflicts");
    case SVNEditPrediction::Outcome::Merges:
        return QStringLiteral("merges");
    case SVNEditPrediction::Outcome::CannotTell:
        break;
    }
    return CouldNotTell(prediction);
}

int ConflictCount(const SVNChanges& changes) {
    return static_cast<int>(std::count_if(
        changes.m_Predictions.begin(), changes.m_Predictions.end(), [](const SVNEditPrediction& prediction) {
            return prediction.m_eOutcome == SVNEditPrediction::Outcome::Conflicts;
        }));
}

QString PredictionLine(const SVNChanges& changes) {
    if (changes.m_Predictions.empty())
        return {};
    QStringList named;
    for (const SVNEditPrediction& prediction : changes.m_Predictions) {
        if (named.size() == kMaxNamedEdits)
            break;
        const char* outcome = prediction.m_eOutcome == SVNEditPrediction::Outcome::Conflicts ? "conflict"
                              : prediction.m_eOutcome == SVNEditPrediction::Outcome::Merges  ? "merges"
                                                                                             : "cannot tell";
        named.append(QStringLiteral("%1 (%2)").arg(FileName(prediction.m_strPath), QLatin1String(outcome)));
    }
    QString line = QStringLiteral("Your edits meet these changes: ") + named.join(QStringLiteral(", "));
    const qsizetype rest =
        static_cast<qsizetype>(changes.m_Predictions.size()) - named.size() + changes.m_nMorePredictions;
    if (rest > 0)
        line += QStringLiteral(" and %1 more").arg(rest);
    return line;
}

QStringList PredictionLines(const SVNChanges& changes) {
    QStringList lines;
    for (const SVNEditPrediction& prediction : changes.m_Predictions) {
        const QString revisions = RevisionList(prediction);
        switch (prediction.m_eOutcome) {
        case SVNEditPrediction::Outcome::Conflicts:
            lines.append(
                QStringLiteral("%1: your edit conflicts with %2").arg(prediction.m_strPath, revisions));
            break;
        case SVNEditPrediction::Outcome::Merges:
            lines.append(QStringLiteral("%1: your edit merges with %2").arg(prediction.m_strPath, revisions));
            break;
        case SVNEditPrediction::Outcome::CannotTell:
            lines.append(
                QStringLiteral("%1: your edit meets %2; %3: %4")
                    .arg(prediction.m_strPath, revisions, CouldNotTell(prediction), prediction.m_strReason));
            break;
        }
    }
    if (changes.m_nMorePredictions > 0)
        lines.append(QStringLiteral("and %1 more").arg(changes.m_nMorePredictions));
    return lines;
}
