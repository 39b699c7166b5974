#pragma once

#include <QObject>
#include <chrono>

class QSocketNotifier;

namespace platform {

// Tells when a process that is not our child ends, such as a program started detached. Belongs to
// the thread that made it, whose event loop reports the end.
class CProcessEndWatcher final : public QObject {
    Q_OBJECT

public:
    explicit CProcessEndWatcher(QObject* pParent = nullptr);
    ~CProcessEndWatcher() override;
    CProcessEndWatcher(const CProcessEndWatcher&) = delete;
    CProcessEndWatcher& operator=(const CProcessEndWatcher&) = delete;

    // Watches the process with this id; Ended follows once it has ended, also when it is gone
    // already. False, with nothing watched, when the process cannot be watched or one is already.
    bool Watch(qint64 processId);

    // Blocks until the process with this id has ended, at most timeout. True once it has ended, also
    // when it was gone already; false when the time passed first or it cannot be watched.
    static bool WaitForEnd(qint64 processId, std::chrono::milliseconds timeout);

signals:
    void Ended();

private:
    void OnEnded();

    int m_iProcessFd = -1;
    QSocketNotifier* m_pNotifier = nullptr;
};

} // namespace platform
