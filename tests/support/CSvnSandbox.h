#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// A throw-away Subversion world for tests, all below one temporary folder that is removed with the
// object: a repository made with svnadmin, working copies checked out from its file:// URL, commits
// by named authors, and an svnserve on 127.0.0.1 that serves the same repository.
//
//     CSvnSandbox sandbox;
//     ASSERT_TRUE(sandbox.CreateRepository()) << sandbox.LastError();
//     const QString wc = sandbox.Checkout("alice");
//     sandbox.Commit(wc, "alice", "readme.txt", "hello\n");
//     const QString url = sandbox.StartServer();   // svn://127.0.0.1:<port>/repo
//
// The svn tools run in the C.UTF-8 locale with a configuration folder inside the sandbox, so the
// user's own Subversion settings are neither read nor written. Failures are results; LastError()
// holds the tool's output of the last one.
class CSvnSandbox final {
public:
    CSvnSandbox();
    ~CSvnSandbox();
    CSvnSandbox(const CSvnSandbox&) = delete;
    CSvnSandbox& operator=(const CSvnSandbox&) = delete;

    // The sandbox's folder (no trailing '/'); empty when it could not be made.
    QString Folder() const;
    // Makes the repository "repo" with svnadmin; false when that failed.
    bool CreateRepository();
    QString RepositoryFolder() const;
    // The repository's file:// URL.
    QString RepositoryUrl() const;

    // Checks the repository out into Folder()/name; the working copy's path, or empty on failure.
    QString Checkout(const QString& name);
    // Writes text into the file (relative to the working copy), adds it when it is new and commits
    // it with author as the user name and svn's further options (--no-auth-cache, --password ...).
    // The new revision, or 0 when anything failed.
    int Commit(const QString& workingCopy, const QString& author, const QString& file, const QByteArray& text,
               const QStringList& options = {});
    // Brings the working copy up to the repository's head; false on failure.
    bool Update(const QString& workingCopy);

    // Starts svnserve on 127.0.0.1 at a free port, serving the sandbox's folder. The repository's
    // svn:// URL, or empty when no server could be started. A running server is kept.
    QString StartServer();
    // Kills the server and waits until it is gone; nothing is left running.
    void StopServer();

    // Runs an svn tool (svn, svnadmin, ...) with the sandbox's settings; true when it exited with 0.
    // The merged standard output and error go to output when given.
    bool RunTool(const QString& program, QStringList arguments, QByteArray* output = nullptr);
    // The output of the last tool run that failed.
    QString LastError() const;

private:
    bool TryStartServer(quint16 port);

    QTemporaryDir m_tempDir;
    std::unique_ptr<QProcess> m_pServer;
    QString m_strServerUrl;
    QString m_strLastError;
};
