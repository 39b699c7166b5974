#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The list file of the watched folders: narrow text in the locale's encoding, one path per line.
class CPathListFile final {
public:
    explicit CPathListFile(QString strFileName);

    // The non-blank lines, whole whatever their length, each trimmed at both ends and written as the
    // system writes paths (platform::NativePath); nothing when the file cannot be read or is no
    // regular file of at most 1 MiB.
    std::optional<QStringList> ReadPaths() const;
    // Why ReadPaths finds nothing, for the user: "it does not exist", "it is not a regular file", "it
    // is larger than 1 MiB" or "it cannot be read".
    QString ReadFailure() const;
    // Replaces the file with one line per path, each ending in CR LF, creating the file's folder
    // when missing. The old file is replaced only once the new one is complete: false, with the old
    // file untouched, when any step fails.
    bool WritePaths(const QStringList& paths) const;
    // Whether a line of the file can hold this path so that it reads back the same: not empty, no
    // blank at either end, no line break.
    static bool CanHold(const QString& path);
    // The line without the white space at its ends, as the C library classifies it (iswspace): a
    // no-break space is part of a name, on every system.
    static QString Trimmed(const QString& line);

private:
    QString m_strFileName;
};
