#pragma once

#include <QByteArray>
#include <optional>

// Sets one environment variable of this process for the lifetime of the object and restores the
// previous value (or its absence) on destruction. Children started meanwhile inherit the new value.
class CScopedEnvironment final {
public:
    CScopedEnvironment(const char* name, const QByteArray& value);
    ~CScopedEnvironment();
    CScopedEnvironment(const CScopedEnvironment&) = delete;
    CScopedEnvironment& operator=(const CScopedEnvironment&) = delete;

private:
    QByteArray m_strName;
    std::optional<QByteArray> m_oldValue;
};
