#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A throw-away Git world for tests, below one temporary folder that is removed with the object: a
// bare repository "server.git" whose branch main has a first commit, clones of it that follow main,
// and commits by named authors (name "carol", e-mail carol@example.com), pushed or not. git runs
// with a home of the sandbox's own and without the system's configuration, so the user's own Git
// settings are neither read nor written. Failures are results; LastError() holds the tool's output
// of the last one.
class CGitSandbox final {
public:
    CGitSandbox();

    // The sandbox's folder (no trailing '/'); empty when it could not be made.
    QString Folder() const;
    // Makes the bare repository with its first commit, by alice; false when that failed.
    bool CreateRepository();
    // The repository's path, which git takes as a local remote.
    QString RepositoryPath() const;

    // Clones the repository into Folder()/name; the clone's path, or empty on failure.
    QString Clone(const QString& name);
    // Writes text into the file (relative to the clone) and commits it as author with the message;
    // pushes it to main unless bPush is false. False when anything failed.
    bool Commit(const QString& clone, const QString& author, const QString& file, const QByteArray& text,
                const QString& message, bool bPush = true);

    // Runs git in folder (none: the sandbox's) with the sandbox's settings; true when it exited with
    // 0. The merged standard output and error go to output when given.
    bool Git(const QString& folder, const QStringList& arguments, QByteArray* output = nullptr);
    QString LastError() const { return m_strLastError; }

private:
    QTemporaryDir m_tempDir;
    QString m_strLastError;
};
