#pragma once

#include <QHash>
#include <QString>
#include <functional>

// The name that svn commits with to a repository, which is how the user's own commits are told
// from others': the user name that svn has cached for the repository's realm, else the one the URL
// names, else the login name; never a name cached for another realm, not even one of the same
// server. A local repository's realm is its UUID. A server's is "<scheme://host:port> " followed
// by the realm it announces, which for svnserve is the repository's UUID unless its configuration
// names another; when the cache holds the server's entry with this repository's UUID, that is it,
// otherwise the realm must be learnt from the server. Reads svn's credential cache afresh at each
// call.
class CSvnUserName final {
public:
    // Learns the realm a server announces, given the "<scheme://host:port>" prefix it starts with;
    // empty when it cannot be known.
    using RealmLookup = std::function<QString(const QString& realmPrefix)>;

    // Looks into the credential cache of svn's configuration folder configFolder.
    explicit CSvnUserName(QString configFolder);

    // The user's name for the repository with this root URL and UUID; the login name when svn has
    // cached none for its realm and the URL names none (empty only when even that is unknown).
    // serverRealm is asked only when the cache holds names for the server but none for the UUID.
    QString For(const QString& rootUrl, const QString& uuid, const RealmLookup& serverRealm = {}) const;
    // The user name svn has cached for that repository's realm; empty when there is none or the
    // realm cannot be known.
    QString Cached(const QString& rootUrl, const QString& uuid, const RealmLookup& serverRealm = {}) const;
    // "<scheme://host:port>" as svn writes it before a server's realm, the port always given; empty
    // for a scheme whose server announces no realm (file://, svn+ssh://).
    static QString RealmPrefix(const QString& rootUrl);

private:
    // Every user name in the cache by its realm.
    QHash<QString, QString> CachedNames() const;

    const QString m_strConfigFolder;
};
