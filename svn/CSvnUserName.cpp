#include "svn/CSvnUserName.h"

#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"

#include <QDir>
#include <QHash>
#include <QUrl>
#include <algorithm>
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

} // namespace

CSvnUserName::CSvnUserName(QString configFolder) : m_strConfigFolder(std::move(configFolder)) {}

QString CSvnUserName::For(const QString& rootUrl, const QString& uuid, const RealmLookup& serverRealm) const {
    const QString cached = Cached(rootUrl, uuid, serverRealm);
    if (!cached.isEmpty())
        return cached;
    const QString named = QUrl(rootUrl).userName();
    return named.isEmpty() ? platform::LoginName() : named;
}

QString CSvnUserName::RealmPrefix(const QString& rootUrl) {
    static const QHash<QString, int> kDefaultPorts{
        {QStringLiteral("svn"), 3690}, {QStringLiteral("http"), 80}, {QStringLiteral("https"), 443}};
    const QUrl root(rootUrl);
    if (!kDefaultPorts.contains(root.scheme()) || root.host().isEmpty())
        return {};
    const QString host =
        root.host().contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(root.host()) : root.host();
    return QStringLiteral("<%1://%2:%3>")
        .arg(root.scheme(), host, QString::number(root.port(kDefaultPorts.value(root.scheme()))));
}

QHash<QString, QString> CSvnUserName::CachedNames() const {
    QHash<QString, QString> names;
    for (const char* kind : {"svn.username", "svn.simple"}) {
        const QDir folder(m_strConfigFolder + QStringLiteral("/auth/") + QLatin1String(kind));
        for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
            const std::optional<QByteArray> content =
                platform::ReadRegularFile(folder.filePath(name), kMaxCredentialBytes);
            const auto values = content ? ReadHashDump(*content) : std::nullopt;
            const QString user = values ? QString::fromUtf8(values->value("username")) : QString();
            // A password cached with the name is what svn commits with; it wins over a bare name.
            if (!user.isEmpty())
                names.insert(QString::fromUtf8(values->value("svn:realmstring")), user);
        }
    }
    return names;
}

QString CSvnUserName::Cached(const QString& rootUrl, const QString& uuid,
                             const RealmLookup& serverRealm) const {
    const QHash<QString, QString> names = CachedNames();
    if (QUrl(rootUrl).scheme() == QLatin1String("file"))
        return names.value(uuid);
    const QString prefix = RealmPrefix(rootUrl);
    if (prefix.isEmpty())
        return {};
    const QString ownRealm = prefix + QLatin1Char(' ') + uuid;
    if (names.contains(ownRealm))
        return names.value(ownRealm);
    const bool bServerKnown = std::any_of(names.keyBegin(), names.keyEnd(), [&prefix](const QString& realm) {
        return realm.startsWith(prefix + QLatin1Char(' '));
    });
    if (!bServerKnown || !serverRealm)
        return {};
    const QString announced = serverRealm(prefix);
    return announced.startsWith(prefix + QLatin1Char(' ')) ? names.value(announced) : QString();
}
