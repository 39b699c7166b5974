#include "platform/ChildEnvironment.h"

#include <QProcessEnvironment>

namespace platform {
namespace {

QByteArrayList OwnEnvironment() {
    QByteArrayList environment;
    for (const QString& entry : QProcessEnvironment::systemEnvironment().toStringList())
        environment.append(entry.toUtf8());
    return environment;
}

} // namespace

QByteArrayList ChildEnvironment() {
    return ChildEnvironment(OwnEnvironment());
}

QByteArrayList BackgroundChildEnvironment() {
    return BackgroundChildEnvironment(OwnEnvironment());
}

// Windows programs take their arguments and paths as UTF-16 and their code page from the system, not
// from the environment: it passes unchanged.
QByteArrayList ChildEnvironment(const QByteArrayList& environment) {
    return environment;
}

// Windows' names are the same in any case.
QByteArrayList BackgroundChildEnvironment(const QByteArrayList& environment) {
    QByteArrayList result = ChildEnvironment(environment);
    for (const QByteArray setting : kBackgroundSettings) {
        const QByteArray name = setting.left(setting.indexOf('=') + 1);
        result.removeIf([&name](const QByteArray& entry) { return entry.toUpper().startsWith(name); });
        result.append(setting);
    }
    return result;
}

} // namespace platform
