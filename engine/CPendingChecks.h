#pragma once

#include <QSet>
#include <QString>
#include <mutex>

// A set of folders shared between threads: those that have a check queued or running, so that a
// folder whose check has not ended yet is not queued a second time, those whose check is awaited, or
// those whose check waits for the network.
//
// Thread safety: m_lock guards m_Paths; the UI thread adds while the worker thread removes.
class CPendingChecks final {
public:
    // Marks the path as having a check; false, with nothing changed, when it has one already.
    bool Add(const QString& path);
    // The check of this path is over; false, with nothing changed, for a path that has none.
    bool Remove(const QString& path);
    // Whether no check is queued or running.
    bool IsEmpty() const;
    // Whether the path is in the set.
    bool Contains(const QString& path) const;
    // Empties the set.
    void Clear();

private:
    mutable std::mutex m_lock;
    QSet<QString> m_Paths;
};
