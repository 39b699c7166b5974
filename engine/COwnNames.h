#pragma once

#include <QString>
#include <QStringList>

// The names under which a commit is the user's own in one repository: the name svn commits with
// there, and the names the user listed (names.ini), which count in every repository. Names compare
// exactly, as svn's own do; a commit without an author is nobody's.
class COwnNames final {
public:
    COwnNames(QString strFound, QStringList listed);

    // Whether a commit by this author is the user's own.
    bool Contains(const QString& author) const;

private:
    QString m_strFound;
    QStringList m_Listed;
};
