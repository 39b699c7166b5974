#pragma once

#include <QObject>

class QSocketNotifier;

namespace platform {

// Turns the signals that ask a program to end (SIGTERM, SIGINT, SIGHUP; on Windows Ctrl+C, Ctrl+Break,
// a closed console, log-off and shut-down) into a Qt signal on the
// thread that made this object, so that the program can end as its own Quit does. While the object
// exists those signals no longer end the process by themselves; its destructor restores what was
// there before. One object at a time.
class CTerminationSignals final : public QObject {
    Q_OBJECT
public:
    explicit CTerminationSignals(QObject* pParent = nullptr);
    ~CTerminationSignals() override;
    CTerminationSignals(const CTerminationSignals&) = delete;
    CTerminationSignals& operator=(const CTerminationSignals&) = delete;

    // False when the signals could not be caught (no pipe, another object already catches them).
    bool IsWatching() const;

    // The exit status of a command-line tool ended by this signal: 128 plus its number.
    static int ExitStatusFor(int iSignal);

signals:
    // One of the signals arrived; iSignal is its number.
    void Received(int iSignal);

private:
#ifdef _WIN32
    bool m_bWatching = false;
#else
    void OnReadable();

    QSocketNotifier* m_pNotifier = nullptr;
#endif
};

} // namespace platform
