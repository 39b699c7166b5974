#pragma once

#include <QObject>
#include <QString>
#include <optional>

namespace platform {

// Desktop notifications through the freedesktop notification server on the session bus, sent as
// the program's own: its name, the icon and desktop entry named by QGuiApplication's desktop file
// name, and a text that is always shown as typed. A later notification replaces the one shown. Calls
// never wait for the server. Runs on the UI thread only.
class CDesktopNotifications final : public QObject {
    Q_OBJECT
public:
    explicit CDesktopNotifications(QObject* pParent = nullptr);

    // Sends one notification; uBalloonIcon is one of the balloon icon flags, iTimeoutMs how long the
    // server should show it.
    void Show(const QString& strTitle, const QString& strText, unsigned uBalloonIcon, int iTimeoutMs);

    // The body as the server must receive it to show strText as typed: escaped for a server that
    // reads markup in bodies, as it is for one that does not.
    static QString PlainBody(const QString& strText, bool bServerTakesMarkup);

private:
    void OnCapabilities(const QStringList& capabilities);

    // Unknown until the server answers; most servers read markup, so until then the text is escaped.
    std::optional<bool> m_bServerTakesMarkup;
    unsigned m_uLastId = 0;
};

} // namespace platform
