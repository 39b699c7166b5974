#pragma once

#include <QString>
#include <QTcpServer>

// A TCP server on 127.0.0.1 that lets clients connect and never says a word: the kernel completes
// each connection from the listen backlog, and nothing ever answers. Stands in for a hung svnserve.
class CSilentServer final {
public:
    CSilentServer();
    CSilentServer(const CSilentServer&) = delete;
    CSilentServer& operator=(const CSilentServer&) = delete;

    // False when no port could be bound.
    bool IsListening() const;
    quint16 Port() const;
    // An svn:// URL that points at this server.
    QString Url() const;

private:
    QTcpServer m_server;
};
