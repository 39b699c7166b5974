#pragma once

#include <QString>

// The name that svn commits with to a repository, which is how the user's own commits are told
// from others': the user name that svn has cached for the repository's realm, else the one the URL
// names, else the login name. Reads svn's credential cache afresh at each call.
class CSvnUserName final {
public:
    // Looks into the credential cache of svn's configuration folder configFolder.
    explicit CSvnUserName(QString configFolder);

    // The user's name for the repository with this root URL and UUID; the login name when svn has
    // cached none and the URL names none (empty only when even that is unknown).
    QString For(const QString& rootUrl, const QString& uuid) const;
    // The user name svn has cached for that repository's realm; empty when there is none.
    QString Cached(const QString& rootUrl, const QString& uuid) const;

private:
    const QString m_strConfigFolder;
};
