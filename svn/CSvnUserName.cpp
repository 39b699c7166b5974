#include "svn/CSvnUserName.h"

#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"

#include <QDir>
#include <QHash>
#include <QUrl>
#include <optional>
#include <utility>

namespace {

// A cached credential is a few hundred bytes.
constexpr qint64 kMaxCredentialBytes = 64 * 1024;

// svn's hash dump: "K <length>\n<key>\nV <length>\n<value>\n" pairs up to "END"; nothing on any
// break of that form.
std::optional<QHash<QByteArray, QByteArray>> ReadHashDump(const QByteArray& dump) {
    QHash<QByteArray, QByteArray> values;
    qsizetype position = 0;
    const auto readItem = [&](char kind) -> std::optional<QByteArray> {
        const qsizetype lineEnd = dump.indexOf('\n', position);
        if (lineEnd < position + 2 || dump.at(position) != kind || dump.at(position + 1) != ' ')
            return std::nullopt;
        bool bNumber = false;
        const qsizetype length = dump.mid(position + 2, lineEnd - position - 2).toLongLong(&bNumber);
        if (!bNumber || length < 0 || length >= dump.size() - lineEnd - 1 ||
            dump.at(lineEnd + 1 + length) != '\n')
            return std::nullopt;
        position = lineEnd + 2 + length;
        return dump.mid(lineEnd + 1, length);
    };
    while (position < dump.size() && !dump.mid(position).startsWith("END")) {
        const std::optional<QByteArray> key = readItem('K');
        const std::optional<QByteArray> value = key ? readItem('V') : std::nullopt;
        if (!value)
            return std::nullopt;
        values.insert(*key, *value);
    }
    return values;
}

// svn's realm prefix for a network repository: "<scheme://host:port>", the port always written.
QString RealmPrefix(const QUrl& root) {
    static const QHash<QString, int> kDefaultPorts{
        {QStringLiteral("svn"), 3690}, {QStringLiteral("http"), 80}, {QStringLiteral("https"), 443}};
    const QString host =
        root.host().contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(root.host()) : root.host();
    return QStringLiteral("<%1://%2:%3>")
        .arg(root.scheme(), host, QString::number(root.port(kDefaultPorts.value(root.scheme(), 0))));
}

} // namespace

CSvnUserName::CSvnUserName(QString configFolder) : m_strConfigFolder(std::move(configFolder)) {}

QString CSvnUserName::For(const QString& rootUrl, const QString& uuid) const {
    const QString cached = Cached(rootUrl, uuid);
    if (!cached.isEmpty())
        return cached;
    const QString named = QUrl(rootUrl).userName();
    return named.isEmpty() ? platform::LoginName() : named;
}

QString CSvnUserName::Cached(const QString& rootUrl, const QString& uuid) const {
    const QUrl root(rootUrl);
    // A local repository's realm is its UUID; a server's starts with its address, and svnserve's
    // own realm is the UUID too, which decides between several repositories of one server.
    const bool bLocal = root.scheme() == QLatin1String("file");
    const QString prefix = bLocal ? QString() : RealmPrefix(root);
    QString firstOfServer;
    for (const char* kind : {"svn.simple", "svn.username"}) {
        const QDir folder(m_strConfigFolder + QStringLiteral("/auth/") + QLatin1String(kind));
        for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
            const std::optional<QByteArray> content =
                platform::ReadRegularFile(folder.filePath(name), kMaxCredentialBytes);
            const auto values = content ? ReadHashDump(*content) : std::nullopt;
            if (!values)
                continue;
            const QString realm = QString::fromUtf8(values->value("svn:realmstring"));
            const QString user = QString::fromUtf8(values->value("username"));
            if (user.isEmpty())
                continue;
            if (bLocal ? realm == uuid : realm == prefix + QLatin1Char(' ') + uuid)
                return user;
            if (!bLocal && firstOfServer.isEmpty() && realm.startsWith(prefix + QLatin1Char(' ')))
                firstOfServer = user;
        }
    }
    return firstOfServer;
}
