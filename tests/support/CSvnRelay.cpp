#include "support/CSvnRelay.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <future>
#include <memory>

namespace {

// The server's answers that pass before a dying server drops the connection: its greeting and its
// authentication request, so that the client is well into the conversation.
constexpr int kAnswersBeforeDying = 2;
constexpr int kStopCheckMs = 20;

} // namespace

// The listening side, living on the relay's thread with every socket it makes.
class CSvnRelay::CServer final : public QObject {
public:
    explicit CServer(CSvnRelay& relay) : m_relay(relay), m_server(this) {
        connect(&m_server, &QTcpServer::newConnection, this, &CServer::OnNewConnection);
    }

    quint16 Listen() { return m_server.listen(QHostAddress::LocalHost, 0) ? m_server.serverPort() : 0; }

private:
    struct Connection {
        QPointer<QTcpSocket> client;
        QPointer<QTcpSocket> upstream;
        int answers = 0;
    };

    void OnNewConnection() {
        while (QTcpSocket* client = m_server.nextPendingConnection()) {
            const Mode mode = m_relay.m_mode;
            // A silent server keeps the connection open and never reads or writes.
            if (mode == Mode::Silent)
                continue;
            // A server that has died refuses nothing but answers nothing either: the connection ends.
            if (mode == Mode::DieMidway && m_relay.m_nDeaths > 0) {
                client->abort();
                continue;
            }
            Forward(client, mode);
        }
    }

    void Forward(QTcpSocket* client, Mode mode) {
        auto connection = std::make_shared<Connection>();
        connection->client = client;
        connection->upstream = new QTcpSocket(this);
        // Until the delayed connection to the server is under way, what the client says waits in its
        // socket.
        connect(client, &QTcpSocket::readyRead, this, [connection] {
            if (connection->upstream && connection->upstream->state() != QAbstractSocket::UnconnectedState)
                connection->upstream->write(connection->client->readAll());
        });
        connect(connection->upstream, &QTcpSocket::readyRead, this, [this, connection, mode] {
            if (mode == Mode::DieMidway && ++connection->answers > kAnswersBeforeDying)
                return Die(*connection);
            if (connection->client)
                connection->client->write(connection->upstream->readAll());
        });
        connect(client, &QTcpSocket::disconnected, this, [connection] {
            if (connection->upstream)
                connection->upstream->disconnectFromHost();
        });
        connect(connection->upstream, &QTcpSocket::disconnected, this, [connection] {
            if (connection->client)
                connection->client->disconnectFromHost();
        });
        QTimer::singleShot(m_relay.m_msConnectionDelay.load(), this, [this, connection] {
            if (!connection->upstream || !connection->client)
                return;
            connection->upstream->connectToHost(QHostAddress::LocalHost, m_relay.m_nUpstreamPort);
            connection->upstream->write(connection->client->readAll());
        });
    }

    // A process that dies mid-conversation leaves its peer a connection that ends without a goodbye.
    void Die(Connection& connection) {
        // Counted before the client can notice, so that whoever sees the client fail also sees the death.
        ++m_relay.m_nDeaths;
        if (connection.client)
            connection.client->abort();
        if (connection.upstream)
            connection.upstream->abort();
    }

    CSvnRelay& m_relay;
    QTcpServer m_server;
};

CSvnRelay::CSvnRelay(quint16 upstreamPort) : m_nUpstreamPort(upstreamPort) {
    // The server is made, listens and dies on the relay's thread. Only the port, the stop flag and
    // the word that the server is gone cross over, through standard primitives that the thread
    // sanitizer sees (it cannot see Qt's own hand-overs).
    std::promise<quint16> listening;
    std::future<quint16> port = listening.get_future();
    m_serverGone = m_goneSignal.get_future();
    m_pThread.reset(QThread::create([this, &listening] {
        {
            CServer server(*this);
            listening.set_value(server.Listen());
            QEventLoop loop;
            QTimer stopCheck;
            QObject::connect(&stopCheck, &QTimer::timeout, &loop, [this, &loop] {
                if (m_bStop)
                    loop.quit();
            });
            stopCheck.start(kStopCheckMs);
            loop.exec();
        }
        m_goneSignal.set_value();
    }));
    m_pThread->start();
    m_nPort = port.get();
}

CSvnRelay::~CSvnRelay() {
    m_bStop = true;
    m_serverGone.wait();
    m_pThread->wait();
}

QString CSvnRelay::Url(const QString& repository) const {
    return QStringLiteral("svn://127.0.0.1:%1/%2").arg(m_nPort.load()).arg(repository);
}
