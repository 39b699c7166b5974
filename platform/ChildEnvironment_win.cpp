#include "platform/ChildEnvironment.h"

#include <QProcessEnvironment>
#include <iterator>

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

QByteArrayList BackgroundChildEnvironment(const QByteArrayList& environment) {
    return WithSettings(ChildEnvironment(environment),
                        QByteArrayList(std::begin(kBackgroundSettings), std::end(kBackgroundSettings)));
}

// Windows' names are the same in any case.
QByteArrayList WithSettings(QByteArrayList environment, const QByteArrayList& settings) {
    for (const QByteArray& setting : settings) {
        const QByteArray name = setting.left(setting.indexOf('=') + 1).toUpper();
        environment.removeIf([&name](const QByteArray& entry) { return entry.toUpper().startsWith(name); });
        environment.append(setting);
    }
    return environment;
}

} // namespace platform
