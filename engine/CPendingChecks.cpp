#include "engine/CPendingChecks.h"

bool CPendingChecks::Add(const QString& path) {
    std::lock_guard guard(m_lock);
    if (m_Paths.contains(path))
        return false;
    m_Paths.insert(path);
    return true;
}

bool CPendingChecks::Remove(const QString& path) {
    std::lock_guard guard(m_lock);
    return m_Paths.remove(path);
}

bool CPendingChecks::IsEmpty() const {
    std::lock_guard guard(m_lock);
    return m_Paths.isEmpty();
}

bool CPendingChecks::Contains(const QString& path) const {
    std::lock_guard guard(m_lock);
    return m_Paths.contains(path);
}

void CPendingChecks::Clear() {
    std::lock_guard guard(m_lock);
    m_Paths.clear();
}
