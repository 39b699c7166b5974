#include "platform/SystemInfo.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

constexpr int kComputerNameLength = 15;

// A per-user base folder from an XDG variable, or the home folder's default below it.
QString XdgFolder(const char* variable, const char* fallbackBelowHome) {
    const QByteArray value = qgetenv(variable);
    if (!value.isEmpty() && value.startsWith('/'))
        return QString::fromLocal8Bit(value);
    return QDir::homePath() + QLatin1Char('/') + QLatin1String(fallbackBelowHome);
}

} // namespace

QString ProgramFolder() {
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || length >= static_cast<ssize_t>(sizeof buffer))
        return {};
    const QString executable = QString::fromLocal8Bit(buffer, length);
    const qsizetype slash = executable.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? executable : executable.left(slash);
}

QString ComputerName() {
    char buffer[HOST_NAME_MAX + 1] = {};
    if (gethostname(buffer, sizeof buffer - 1) != 0)
        return {};
    return QString::fromLocal8Bit(buffer).left(kComputerNameLength);
}

QString LocalTimeText(const char* format, std::time_t when) {
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr)
        return {};
    char buffer[128];
    const std::size_t length = std::strftime(buffer, sizeof buffer, format, &local);
    if (length == 0)
        return {};
    return QString::fromLocal8Bit(buffer, static_cast<qsizetype>(length));
}

QString LocalTimeText(const char* format) {
    return LocalTimeText(format, std::time(nullptr));
}

QString LoginName() {
    const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
        return {};
    return QString::fromLocal8Bit(found->pw_name);
}

QString SvnConfigFolder() {
    return QDir::homePath() + QStringLiteral("/.subversion");
}

QString UserConfigFolder() {
    return XdgFolder("XDG_CONFIG_HOME", ".config") + QStringLiteral("/corvane");
}

QString DebugCopyPath() {
    const QString folder = XdgFolder("XDG_CACHE_HOME", ".cache") + QStringLiteral("/corvane");
    // Made private when missing; an existing folder is left as it is (never chmod through a link),
    // and the writer of the copy refuses it unless it is private.
    QDir().mkpath(QFileInfo(folder).path());
    mkdir(QFile::encodeName(folder).constData(), 0700);
    return folder + QStringLiteral("/debug.xml");
}

} // namespace platform
