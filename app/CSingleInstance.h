#pragma once

#include "platform/CInstanceLock.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <chrono>
#include <optional>

class QDeadlineTimer;
class QLocalServer;

// Keeps the tray program to one per user and display. The first start holds a lock and listens on a
// local socket beside it; a later start finds the lock taken and asks the first, through the socket,
// to open its report. The lock goes with the process however it ends, so a crashed or killed tray
// program never keeps a new one from starting.
class CSingleInstance final : public QObject {
    Q_OBJECT
public:
    // The guard for this user on the given display (see CurrentDisplay).
    explicit CSingleInstance(const QString& strDisplay, QObject* pParent = nullptr);
    ~CSingleInstance() override;

    // The display this process would show on: Wayland's when set, else X's without its screen
    // number, so that ":0" and ":0.0" are the same; "none" without either.
    static QString CurrentDisplay();

    // True when this process is now the one tray program of the user and display, also when no
    // private folder exists for the lock (the program then runs unguarded rather than not at all);
    // false when another process is it.
    bool Claim();
    // For the one that claimed: takes requests from later starts. Needs the Qt application. False
    // when the socket cannot be made.
    bool Listen();
    // For a later start: asks the one that claimed to open its report, waiting up to timeout for it to
    // listen and answer. True once it has answered.
    bool AskToOpenReport(std::chrono::milliseconds timeout);
    // For a later start: asks the one that claimed to end, as its Quit does, and waits up to timeout
    // for it to answer and for its process to end. True once it has ended, the lock then being this
    // one's.
    bool AskToQuit(std::chrono::milliseconds timeout);

signals:
    // A later start asked for the report.
    void ReportRequested();
    // A later start asked the program to end.
    void QuitRequested();

private:
    // Sends the request and returns the answer's line; nothing when no answer came before the deadline.
    std::optional<QByteArray> Ask(const char* request, const QDeadlineTimer& deadline);
    void OnNewConnection();

    QString m_strBase; // folder and name of the lock and socket files, without their endings
    platform::CInstanceLock m_Lock;
    QLocalServer* m_pServer = nullptr;
};
