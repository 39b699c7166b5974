#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// A pause of the scheduled checks: until a time, or until the user resumes them.
struct CheckPause {
    bool m_bUntilResumed = false;
    QDateTime m_End; // in UTC, when not until resumed

    // Whether the pause is over at that time.
    bool IsOverAt(const QDateTime& now) const { return !m_bUntilResumed && m_End <= now; }
    friend bool operator==(const CheckPause&, const CheckPause&) = default;
};

// The pause of the checks, kept beside the list file so that it outlasts a restart: one line,
// "until resumed" or "until " and the end time in UTC (ISO 8601, such as 2026-12-08T19:30:00Z).
class CPauseFile final {
public:
    explicit CPauseFile(QString strFileName);

    // The pause of the first line that reads as one; other lines are passed over. Nothing when there
    // is none, or when the file cannot be read or is no regular file.
    std::optional<CheckPause> ReadPause() const;
    // Replaces the file with the pause, as pathlist.ini is replaced: never through a link, the old
    // file untouched when any step fails.
    bool WritePause(const CheckPause& pause) const;
    // Removes the file; true when none is left.
    bool Remove() const;

private:
    QString m_strFileName;
};
