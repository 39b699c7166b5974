#include "support/CSvnSandbox.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace {

constexpr int kToolTimeoutMs = 60000;
constexpr int kServerStartMs = 10000;
constexpr int kServerAttempts = 5;

// A port that was free a moment ago; svnserve binds it next, and a lost race is retried.
quint16 FreeLoopbackPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

} // namespace

CSvnSandbox::CSvnSandbox() = default;

CSvnSandbox::~CSvnSandbox() {
    StopServer();
}

QString CSvnSandbox::Folder() const {
    return m_tempDir.isValid() ? m_tempDir.path() : QString();
}

QString CSvnSandbox::RepositoryFolder() const {
    return Folder() + QStringLiteral("/repo");
}

QString CSvnSandbox::RepositoryUrl() const {
    return QUrl::fromLocalFile(RepositoryFolder()).toString(QUrl::FullyEncoded);
}

QString CSvnSandbox::LastError() const {
    return m_strLastError;
}

bool CSvnSandbox::RunTool(const QString& program, QStringList arguments, QByteArray* output) {
    if (program != QLatin1String("svnadmin"))
        arguments << QStringLiteral("--non-interactive") << QStringLiteral("--config-dir")
                  << Folder() + QStringLiteral("/.subversion");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    const bool finished = process.waitForFinished(kToolTimeoutMs);
    if (!finished) {
        process.kill();
        process.waitForFinished();
    }
    const QByteArray text = process.readAll();
    if (output)
        *output = text;
    const bool succeeded =
        finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!succeeded)
        m_strLastError = program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')) +
                         QStringLiteral(": ") +
                         (process.error() == QProcess::FailedToStart ? process.errorString()
                                                                     : QString::fromLocal8Bit(text));
    return succeeded;
}

bool CSvnSandbox::CreateRepository() {
    if (Folder().isEmpty()) {
        m_strLastError = QStringLiteral("no temporary folder");
        return false;
    }
    return RunTool(QStringLiteral("svnadmin"), {QStringLiteral("create"), RepositoryFolder()});
}

QString CSvnSandbox::Checkout(const QString& name) {
    const QString workingCopy = Folder() + QLatin1Char('/') + name;
    if (!RunTool(QStringLiteral("svn"), {QStringLiteral("checkout"), RepositoryUrl(), workingCopy}))
        return {};
    return workingCopy;
}

int CSvnSandbox::Commit(const QString& workingCopy, const QString& author, const QString& file,
                        const QByteArray& text, const QStringList& options) {
    const QString path = workingCopy + QLatin1Char('/') + file;
    QDir().mkpath(QFileInfo(path).path());
    QFile output(path);
    if (!output.open(QIODevice::WriteOnly | QIODevice::Truncate) || output.write(text) != text.size()) {
        m_strLastError = QStringLiteral("cannot write ") + path;
        return 0;
    }
    output.close();
    if (!RunTool(QStringLiteral("svn"),
                 {QStringLiteral("add"), QStringLiteral("--force"), QStringLiteral("--parents"), path}))
        return 0;
    QByteArray printed;
    if (!RunTool(QStringLiteral("svn"),
                 QStringList{QStringLiteral("commit"), QStringLiteral("--username"), author,
                             QStringLiteral("-m"), QStringLiteral("change by ") + author, workingCopy} +
                     options,
                 &printed))
        return 0;
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("Committed revision (\\d+)\\.")).match(QString::fromUtf8(printed));
    if (!match.hasMatch()) {
        m_strLastError = QStringLiteral("nothing committed: ") + QString::fromUtf8(printed);
        return 0;
    }
    return match.captured(1).toInt();
}

bool CSvnSandbox::Update(const QString& workingCopy) {
    return RunTool(QStringLiteral("svn"), {QStringLiteral("update"), workingCopy});
}

QString CSvnSandbox::StartServer() {
    if (m_pServer)
        return m_strServerUrl;
    for (int attempt = 0; attempt < kServerAttempts; ++attempt) {
        const quint16 port = FreeLoopbackPort();
        if (port != 0 && TryStartServer(port)) {
            m_strServerUrl = QStringLiteral("svn://127.0.0.1:%1/repo").arg(port);
            return m_strServerUrl;
        }
    }
    return {};
}

bool CSvnSandbox::TryStartServer(quint16 port) {
    auto server = std::make_unique<QProcess>();
    server->setProcessChannelMode(QProcess::MergedChannels);
    server->setStandardInputFile(QProcess::nullDevice());
    server->start(QStringLiteral("svnserve"), {QStringLiteral("--daemon"), QStringLiteral("--foreground"),
                                               QStringLiteral("--listen-host"), QStringLiteral("127.0.0.1"),
                                               QStringLiteral("--listen-port"), QString::number(port),
                                               QStringLiteral("--root"), Folder()});
    if (!server->waitForStarted(kServerStartMs)) {
        m_strLastError = QStringLiteral("svnserve: ") + server->errorString();
        return false;
    }
    const QDeadlineTimer deadline(kServerStartMs);
    while (!deadline.hasExpired()) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        if (probe.waitForConnected(200)) {
            m_pServer = std::move(server);
            return true;
        }
        // A server that lost the port to another process has exited by now.
        if (server->waitForFinished(50)) {
            m_strLastError = QStringLiteral("svnserve: ") + QString::fromLocal8Bit(server->readAll());
            return false;
        }
    }
    m_strLastError = QStringLiteral("svnserve did not accept connections on port %1").arg(port);
    server->kill();
    server->waitForFinished();
    return false;
}

void CSvnSandbox::StopServer() {
    if (!m_pServer)
        return;
    m_pServer->kill();
    m_pServer->waitForFinished();
    m_pServer.reset();
    m_strServerUrl.clear();
}
