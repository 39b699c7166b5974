#pragma once

#include <QObject>

class QSocketNotifier;

namespace platform {

// Watches standard output for the end of its reader, as when `corvane --check | head -1` has read
// its line. While the object exists SIGPIPE is ignored, so that a write to such an output fails
// instead of ending the process; when standard output is a pipe, Broken tells of the reader's end at
// once, without waiting for the next write. One object at a time.
class CBrokenOutputWatcher final : public QObject {
    Q_OBJECT
public:
    explicit CBrokenOutputWatcher(QObject* pParent = nullptr);
    // Restores SIGPIPE's previous action.
    ~CBrokenOutputWatcher() override;
    CBrokenOutputWatcher(const CBrokenOutputWatcher&) = delete;
    CBrokenOutputWatcher& operator=(const CBrokenOutputWatcher&) = delete;

    // Whether standard output is a pipe or socket whose reading end has closed.
    static bool IsBroken();
    // The exit status of a command-line tool that a broken output ends: 128 plus SIGPIPE's number, as
    // when the signal ends it.
    static int ExitStatus();

signals:
    void Broken();

private:
    void OnActivated();

    QSocketNotifier* m_pNotifier = nullptr;
};

} // namespace platform
