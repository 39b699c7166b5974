#include "app/CSingleInstance.h"

#include "platform/CProcessEndWatcher.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QThread>

namespace {

constexpr char kReportRequest[] = "report\n";
constexpr char kQuitRequest[] = "quit\n";
constexpr char kAnswer[] = "ok\n";
// The answer to a quit request names the process that is going to end: its lock is freed before the
// process has ended, and an installer may replace the program only once it has.
constexpr char kQuitAnswerStart[] = "ok ";
constexpr int kRetryMs = 100;
constexpr qint64 kMaxRequestLength = 64;

} // namespace

CSingleInstance::CSingleInstance(const QString& strDisplay, QObject* pParent) : QObject(pParent) {
    const QString folder = platform::UserRuntimeFolder();
    if (folder.isEmpty())
        return;
    // The display name becomes part of a file name: anything but a few plain characters is replaced.
    QString name = strDisplay;
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._:-]")), QStringLiteral("_"));
    m_strBase = folder + QStringLiteral("/tray-") + name;
}

CSingleInstance::~CSingleInstance() = default;

QString CSingleInstance::CurrentDisplay() {
    const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (!wayland.isEmpty())
        return QStringLiteral("wayland-") + wayland;
    QString x = qEnvironmentVariable("DISPLAY");
    if (x.isEmpty())
        return QStringLiteral("none");
    static const QRegularExpression screen(QStringLiteral("\\.\\d+$"));
    if (x.lastIndexOf(QLatin1Char('.')) > x.lastIndexOf(QLatin1Char(':')))
        x.remove(screen);
    return x;
}

bool CSingleInstance::Claim() {
    if (m_strBase.isEmpty())
        return true;
    return m_Lock.TryLock(m_strBase + QStringLiteral(".lock"));
}

bool CSingleInstance::Listen() {
    if (!m_Lock.IsLocked())
        return false;
    const QString socketName = m_strBase + QStringLiteral(".socket");
    // Whoever made a socket there is gone, or the lock would not be ours.
    QLocalServer::removeServer(socketName);
    m_pServer = new QLocalServer(this);
    m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_pServer, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
    return m_pServer->listen(socketName);
}

bool CSingleInstance::AskToOpenReport(std::chrono::milliseconds timeout) {
    return Ask(kReportRequest, QDeadlineTimer(timeout)) == kAnswer;
}

bool CSingleInstance::AskToQuit(std::chrono::milliseconds timeout) {
    const QDeadlineTimer deadline(timeout);
    const std::optional<QByteArray> answer = Ask(kQuitRequest, deadline);
    if (!answer)
        return false;
    // An earlier version answers without its process id; its free lock is all there is to wait for.
    if (answer->startsWith(kQuitAnswerStart)) {
        bool bNumber = false;
        const qint64 processId =
            answer->mid(qsizetype(sizeof kQuitAnswerStart) - 1).trimmed().toLongLong(&bNumber);
        if (!bNumber || !platform::CProcessEndWatcher::WaitForEnd(
                            processId, std::chrono::milliseconds(deadline.remainingTime())))
            return false;
    } else if (*answer != kAnswer) {
        return false;
    }
    while (!Claim()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(kRetryMs);
    }
    return true;
}

std::optional<QByteArray> CSingleInstance::Ask(const char* request, const QDeadlineTimer& deadline) {
    if (m_strBase.isEmpty())
        return std::nullopt;
    const QString socketName = m_strBase + QStringLiteral(".socket");
    // The first may still be starting: its socket comes shortly after its lock.
    while (true) {
        QLocalSocket socket;
        socket.connectToServer(socketName);
        if (socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
            socket.write(request);
            socket.flush();
            while (!socket.canReadLine()) {
                if (!socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
                    return std::nullopt;
            }
            return socket.readLine(kMaxRequestLength);
        }
        if (deadline.hasExpired())
            return std::nullopt;
        QThread::msleep(kRetryMs);
    }
}

void CSingleInstance::OnNewConnection() {
    while (QLocalSocket* pSocket = m_pServer->nextPendingConnection()) {
        connect(pSocket, &QLocalSocket::disconnected, pSocket, &QObject::deleteLater);
        connect(pSocket, &QLocalSocket::readyRead, this, [this, pSocket] {
            if (!pSocket->canReadLine()) {
                // A request is one short line; anything longer is not from Corvane.
                if (pSocket->bytesAvailable() > kMaxRequestLength)
                    pSocket->abort();
                return;
            }
            const QByteArray request = pSocket->readLine();
            // The answer leaves before a quit can end the program.
            pSocket->write(request == kQuitRequest
                               ? kQuitAnswerStart + QByteArray::number(QCoreApplication::applicationPid()) +
                                     '\n'
                               : QByteArray(kAnswer));
            pSocket->flush();
            pSocket->disconnectFromServer();
            if (request == kReportRequest)
                emit ReportRequested();
            else if (request == kQuitRequest)
                emit QuitRequested();
        });
    }
}
