#include "platform/ChildEnvironment.h"

#include <QProcessEnvironment>

namespace platform {
namespace {

constexpr char kAskPassRequirement[] = "SSH_ASKPASS_REQUIRE=";
constexpr char kNeverAskPass[] = "SSH_ASKPASS_REQUIRE=never";

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
    QByteArrayList result = ChildEnvironment(environment);
    result.removeIf([](const QByteArray& entry) { return entry.toUpper().startsWith(kAskPassRequirement); });
    result.append(kNeverAskPass);
    return result;
}

} // namespace platform
