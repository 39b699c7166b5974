#pragma once

#include <QString>
#include <QStringList>

// The user's own names, kept beside the list file: one name (or e-mail address) per line, in UTF-8.
// A commit under any of them counts as the user's own in every repository, besides the name svn
// commits with there, which cannot always be known (one shared account, a server that lets anyone
// read).
class CNamesFile final {
public:
    explicit CNamesFile(QString strFileName);

    // "names.ini" in the folder of this list file.
    static QString Beside(const QString& listFile);

    // The non-blank lines, each without the white space at its ends; none when the file is missing,
    // cannot be read or is no regular file of at most 1 MiB.
    QStringList ReadNames() const;
    // Replaces the file with one line per name, each ending in CR LF, as pathlist.ini is replaced:
    // never through a link, the old file untouched when any step fails.
    bool WriteNames(const QStringList& names) const;
    // Whether a line of the file can hold this name so that it reads back the same: not empty, no
    // white space at either end, no line break.
    static bool CanHold(const QString& name);

private:
    QString m_strFileName;
};
