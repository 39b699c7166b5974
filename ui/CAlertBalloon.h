#pragma once

#include <QDateTime>
#include <QString>
#include <chrono>
#include <vector>

struct CModifiedAlert;

// What the balloon about working copies that are behind says. A later balloon replaces the one
// shown, so a balloon that comes while the one before still shows names every copy that either was
// about ("2 working copies were modified: moonbase, Projet Élan"); the balloon about one copy says
// the system's message, the revisions the copy lacks and which of the user's edits they meet.
class CAlertBalloon final {
public:
    // Balloons that stay on the screen for this long.
    explicit CAlertBalloon(std::chrono::seconds shown);

    // The text of the balloon to show now for this alert.
    QString Add(const CModifiedAlert& alert, const QDateTime& now);
    // The balloon shown last has gone: the user has acted on it.
    void Clear();
    // How many copies the balloon shown last is about.
    int CopyCount() const { return static_cast<int>(m_Copies.size()); }
    // The title of the balloon shown last: its copies' own ("Git:" for Git clones), or the
    // program's "SubVersion:" when they are of both kinds.
    QString Title() const;

private:
    struct CCopy {
        QString m_strPath;
        QString m_strName;
        QString m_strTitle;
    };

    const std::chrono::seconds m_Shown;
    std::vector<CCopy> m_Copies; // what the balloon shown last is about, in the order they came
    QDateTime m_Gone;            // when that balloon leaves the screen
};
