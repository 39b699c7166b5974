#include "support/CScopedEnvironment.h"

CScopedEnvironment::CScopedEnvironment(const char* name, const QByteArray& value) : m_strName(name) {
    if (qEnvironmentVariableIsSet(name))
        m_oldValue = qgetenv(name);
    qputenv(name, value);
}

CScopedEnvironment::~CScopedEnvironment() {
    if (m_oldValue)
        qputenv(m_strName.constData(), *m_oldValue);
    else
        qunsetenv(m_strName.constData());
}
