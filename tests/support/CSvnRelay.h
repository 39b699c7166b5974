#pragma once

#include <QString>
#include <QThread>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>

// A TCP relay on 127.0.0.1 in front of an svnserve, so that a test can choose how "the server"
// behaves for the next connections: it passes the conversation through, it accepts and never says a
// word, or it dies in the middle of the conversation (the connection dropped once the server has
// answered a given number of times, and every later connection dropped at once, as when the process
// is gone). Each connection may be held back for a while before it reaches the server, as with a
// server far away. The relay runs on a thread of its own, so the test may block on svn meanwhile.
class CSvnRelay final {
public:
    enum class Mode { Forward, Silent, DieMidway };

    explicit CSvnRelay(quint16 upstreamPort);
    ~CSvnRelay();
    CSvnRelay(const CSvnRelay&) = delete;
    CSvnRelay& operator=(const CSvnRelay&) = delete;

    // False when no port could be bound.
    bool IsListening() const { return m_nPort != 0; }
    // The relay's svn:// URL for a repository of the upstream server.
    QString Url(const QString& repository) const;
    // Where new connections are passed on to.
    void SetUpstreamPort(quint16 port) { m_nUpstreamPort = port; }
    // How new connections are treated; connections already open keep their mode.
    void SetMode(Mode mode) { m_mode = mode; }
    // How long each new connection waits before it is passed on; 0 by default.
    void SetConnectionDelay(std::chrono::milliseconds delay) { m_msConnectionDelay = delay; }
    // How many conversations have been cut.
    int Deaths() const { return m_nDeaths; }

private:
    class CServer;

    std::atomic<quint16> m_nUpstreamPort;
    std::atomic<Mode> m_mode = Mode::Forward;
    std::atomic<int> m_nDeaths = 0;
    std::atomic<std::chrono::milliseconds> m_msConnectionDelay{};
    std::atomic<quint16> m_nPort = 0;
    std::atomic<bool> m_bStop = false;
    std::promise<void> m_goneSignal;
    std::future<void> m_serverGone;
    std::unique_ptr<QThread> m_pThread;
};
