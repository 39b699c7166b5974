#include "support/CSilentServer.h"

#include <QHostAddress>

CSilentServer::CSilentServer() {
    m_server.listen(QHostAddress::LocalHost, 0);
}

bool CSilentServer::IsListening() const {
    return m_server.isListening();
}

quint16 CSilentServer::Port() const {
    return m_server.serverPort();
}

QString CSilentServer::Url() const {
    return QStringLiteral("svn://127.0.0.1:%1/repo").arg(Port());
}
