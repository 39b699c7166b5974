#include "engine/CEditPrediction.h"

#include "platform/CommandLine.h"
#include "svn/CSubAutomation.h"
#include "svn/CUpdateReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <map>

namespace {

using Outcome = SVNEditPrediction::Outcome;

QString Below(const QString& folder, const QString& path) {
    if (folder.isEmpty())
        return path;
    return path.isEmpty() ? folder : folder + QLatin1Char('/') + path;
}

// The item's path below the repository root, as svn's log names paths ("/trunk/f.txt").
QString InRepository(const QString& folder, const QString& path) {
    if (path.isEmpty())
        return folder.isEmpty() ? QStringLiteral("/") : folder;
    return folder + QLatin1Char('/') + path;
}

bool IsAtOrBelow(const QString& path, const QString& folder) {
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

// The scratch copy of one part: its working copy below a private folder that also takes the
// property values handed to svn, all removed when it goes.
class CScratchCopy final {
public:
    CScratchCopy(CSubAutomation& svn, const SVNEditedPart& part) : m_Svn(svn), m_Part(part) {
        // A switched file is checked out from its folder, as the one item in it.
        m_bFilePart = QFileInfo(part.m_strFolder).isFile();
        m_strName = m_bFilePart ? QFileInfo(part.m_strFolder).fileName() : QString();
    }

    // Where the item lies in the user's copy and in the scratch copy.
    QString InCopy(const SVNOutOfDateItem& item) const { return Below(m_Part.m_strFolder, item.m_strPath); }
    QString InScratch(const SVNOutOfDateItem& item) const {
        return Below(Root(), m_bFilePart ? m_strName : item.m_strPath);
    }

    // Makes the scratch copy hold the items as the user's copy has them; false, FailureReason of
    // the svn object then saying why, when svn failed.
    bool Prepare(const std::vector<const SVNOutOfDateItem*>& items) {
        if (!m_Folder.isValid()) {
            m_strFailure = QStringLiteral("no scratch folder: ") + m_Folder.errorString();
            return false;
        }
        QString url = m_Part.m_strUrl;
        if (m_bFilePart)
            url.truncate(url.lastIndexOf(QLatin1Char('/')));
        if (!m_Svn.CheckoutEmpty(url, m_Part.m_strRevision, Root()))
            return Failed();
        // Each item at its own revision: a copy of mixed revisions merges each from where it is.
        std::map<QString, QStringList> byRevision;
        for (const SVNOutOfDateItem* item : items)
            byRevision[item->m_strRevision.isEmpty() ? m_Part.m_strRevision : item->m_strRevision].append(
                InScratch(*item));
        std::string output;
        for (const auto& [revision, paths] : byRevision) {
            if (!m_Svn.RunOnTargets(QStringLiteral("update -q --parents --set-depth empty -r ") + revision,
                                    paths, output))
                return Failed();
        }
        for (const SVNOutOfDateItem* item : items) {
            if (!LayEdit(*item))
                return false;
        }
        return true;
    }

    // Updates the items of the scratch copy to the repository's newest revision; svn's answer.
    bool Update(const std::vector<const SVNOutOfDateItem*>& items, std::string& output) {
        QStringList paths;
        for (const SVNOutOfDateItem* item : items)
            paths.append(InScratch(*item));
        return m_Svn.RunOnTargets(QStringLiteral("update --accept postpone"), paths, output) || Failed();
    }

    QString FailureReason() const { return m_strFailure; }
    QString Root() const { return m_Folder.path() + QStringLiteral("/wc"); }

private:
    bool Failed() {
        m_strFailure = m_Svn.FailureReason();
        return false;
    }

    bool Run(const QString& arguments, const QString& target) {
        std::string output;
        return m_Svn.RunOnTargets(arguments, {target}, output) || Failed();
    }

    // Lays the user's change of the item onto its scratch copy: its text or kind, then its properties.
    bool LayEdit(const SVNOutOfDateItem& item) {
        const QString from = InCopy(item);
        const QString to = InScratch(item);
        const QString& local = item.m_strLocalItem;
        if (local == QLatin1String("deleted") || local == QLatin1String("replaced")) {
            if (!Run(QStringLiteral("delete --force"), to))
                return false;
        }
        if (local == QLatin1String("deleted"))
            return true;
        // svn restores what is missing; so it does in the scratch copy.
        if (local == QLatin1String("missing")) {
            if (QFileInfo(to).isDir())
                QDir(to).removeRecursively();
            else
                QFile::remove(to);
            return true;
        }
        const QFileInfo source(from);
        if (source.isFile()) {
            QFile::remove(to);
            if (!QFile::copy(from, to)) {
                m_strFailure = QStringLiteral("cannot copy %1 into a scratch folder")
                                   .arg(QDir::toNativeSeparators(from));
                return false;
            }
        } else if (source.isDir() && !QDir().mkpath(to)) {
            m_strFailure = QStringLiteral("cannot make a scratch folder");
            return false;
        }
        if ((local == QLatin1String("added") || local == QLatin1String("replaced")) &&
            !Run(QStringLiteral("add --depth empty"), to))
            return false;
        return item.m_strLocalProps != QLatin1String("modified") || LayProperties(from, to);
    }

    bool LayProperties(const QString& from, const QString& to) {
        std::map<QString, QByteArray> wanted;
        std::map<QString, QByteArray> held;
        if (!m_Svn.GetProperties(from, wanted) || !m_Svn.GetProperties(to, held))
            return Failed();
        for (const auto& [name, value] : held) {
            if (!wanted.contains(name) &&
                !Run(QStringLiteral("propdel ") + platform::QuoteArgument(name), to))
                return false;
        }
        for (const auto& [name, value] : wanted) {
            const auto found = held.find(name);
            if (found != held.end() && found->second == value)
                continue;
            // The value goes through a file: it may hold line breaks or any byte.
            QFile valueFile(m_Folder.filePath(QStringLiteral("value")));
            if (!valueFile.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
                valueFile.write(value) != value.size()) {
                m_strFailure = QStringLiteral("cannot write a scratch file");
                return false;
            }
            valueFile.close();
            if (!Run(QStringLiteral("propset %1 -F %2")
                         .arg(platform::QuoteArgument(name), platform::QuoteArgument(valueFile.fileName())),
                     to))
                return false;
        }
        return true;
    }

    CSubAutomation& m_Svn;
    const SVNEditedPart& m_Part;
    QTemporaryDir m_Folder;
    bool m_bFilePart = false;
    QString m_strName;
    QString m_strFailure;
};

} // namespace

bool CEditPrediction::IsEdited(const SVNOutOfDateItem& item) {
    const QString& local = item.m_strLocalItem;
    if (item.m_strLocalProps == QLatin1String("modified"))
        return true;
    if (local == QLatin1String("unversioned"))
        return item.m_strChange == QLatin1String("added") || item.m_strChange == QLatin1String("replaced");
    return !local.isEmpty() && local != QLatin1String("normal") && local != QLatin1String("none") &&
           local != QLatin1String("external") && local != QLatin1String("ignored");
}

QStringList CEditPrediction::RevisionsThatChanged(const std::vector<SVNLogEntry>& lacking,
                                                  const QString& folderInRepository, const QString& path) {
    const QString inRepository = InRepository(folderInRepository, path);
    std::vector<qlonglong> revisions;
    for (const SVNLogEntry& entry : lacking) {
        const bool bChanged = std::any_of(entry.m_ChangedPaths.begin(), entry.m_ChangedPaths.end(),
                                          [&](const SVNChangedPath& changed) {
                                              return IsAtOrBelow(changed.m_strPath, inRepository) ||
                                                     (changed.m_strAction != QLatin1String("M") &&
                                                      IsAtOrBelow(inRepository, changed.m_strPath));
                                          });
        if (bChanged)
            revisions.push_back(entry.m_strRevision.toLongLong());
    }
    std::sort(revisions.begin(), revisions.end(), std::greater<>());
    revisions.erase(std::unique(revisions.begin(), revisions.end()), revisions.end());
    QStringList named;
    for (const qlonglong revision : revisions)
        named.append(QString::number(revision));
    return named;
}

std::vector<SVNEditPrediction> CEditPrediction::Predict(CSubAutomation& svn, const SVNEditedPart& part) {
    std::vector<SVNEditPrediction> predictions;
    std::vector<const SVNOutOfDateItem*> asked;
    for (std::size_t i = 0; i < part.m_Items.size(); ++i) {
        const SVNOutOfDateItem& item = part.m_Items[i];
        // svn leaves an item in conflict as it is; the conflict is the user's already.
        const bool bConflicted = item.m_strLocalItem == QLatin1String("conflicted");
        predictions.push_back({Below(part.m_strPrefix, item.m_strPath),
                               InRepository(part.m_strInRepository, item.m_strPath),
                               bConflicted ? Outcome::Conflicts : Outcome::Merges,
                               part.m_Revisions[i],
                               {},
                               false});
        if (!bConflicted)
            asked.push_back(&item);
    }
    if (asked.empty())
        return predictions;
    CScratchCopy scratch(svn, part);
    std::string output;
    const bool bAnswered = scratch.Prepare(asked) && scratch.Update(asked, output);
    const std::vector<SVNUpdatedPath> updated = CUpdateReader::Read(output);
    for (std::size_t i = 0, j = 0; i < part.m_Items.size(); ++i) {
        if (j == asked.size() || asked[j] != &part.m_Items[i])
            continue;
        SVNEditPrediction& prediction = predictions[i];
        if (!bAnswered) {
            prediction.m_eOutcome = Outcome::CannotTell;
            prediction.m_strReason = scratch.FailureReason();
        } else {
            const QString path = QDir::fromNativeSeparators(scratch.InScratch(*asked[j]));
            const bool bConflict =
                std::any_of(updated.begin(), updated.end(), [&](const SVNUpdatedPath& line) {
                    return line.m_bConflict && IsAtOrBelow(line.m_strPath, path);
                });
            prediction.m_eOutcome = bConflict ? Outcome::Conflicts : Outcome::Merges;
        }
        ++j;
    }
    return predictions;
}
