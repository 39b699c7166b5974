#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

namespace platform {

// Desktop notifications through the freedesktop notification server on the session bus, sent as
// the program's own: its name, the icon and desktop entry named by QGuiApplication's desktop file
// name, and a text that is always shown as typed. A later notification replaces the one shown. Calls
// never wait for the server. A notification may carry actions; the user's choice of one comes back
// as ActionInvoked, for the program's own notifications only. Runs on the UI thread only.
class CDesktopNotifications final : public QObject {
    Q_OBJECT
public:
    explicit CDesktopNotifications(QObject* pParent = nullptr);

    // Sends one notification; uBalloonIcon is one of the balloon icon flags, iTimeoutMs how long the
    // server should show it, actions its actions as key and label pairs ("default" for a click on it).
    void Show(const QString& strTitle, const QString& strText, unsigned uBalloonIcon, int iTimeoutMs,
              const QStringList& actions = {});

    // The body as the server must receive it to show strText as typed: escaped for a server that
    // reads markup in bodies, as it is for one that does not.
    static QString PlainBody(const QString& strText, bool bServerTakesMarkup);

signals:
    // The user chose the action with this key on a notification that this object sent.
    void ActionInvoked(const QString& strKey);

private slots:
    // The server's signals, which go to every client of the bus: only our own ids count.
    void OnActionInvoked(uint uId, const QString& strKey);
    void OnNotificationClosed(uint uId, uint uReason);

private:
    void OnCapabilities(const QStringList& capabilities);

    // Unknown until the server answers; most servers read markup, so until then the text is escaped.
    std::optional<bool> m_bServerTakesMarkup;
    unsigned m_uLastId = 0;
    QSet<uint> m_OwnIds; // the notifications this object sent that the server still shows
};

} // namespace platform
