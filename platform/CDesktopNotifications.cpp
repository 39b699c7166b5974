#include "platform/CDesktopNotifications.h"

#include "platform/NotifyArea.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QVariantMap>

namespace platform {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

QDBusMessage NotificationCall(const QString& strMethod) {
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, strMethod);
}

QString IconName(unsigned uBalloonIcon) {
    switch (uBalloonIcon) {
    case kBalloonIconInfo:
        return QStringLiteral("dialog-information");
    case kBalloonIconWarning:
        return QStringLiteral("dialog-warning");
    case kBalloonIconError:
        return QStringLiteral("dialog-error");
    default:
        // The program's icon in the hicolor theme, named apart from its reverse-DNS desktop entry.
        return QStringLiteral("corvane");
    }
}

} // namespace

CDesktopNotifications::CDesktopNotifications(QObject* pParent) : QObject(pParent) {
    // QtDBus connects a bus signal to a slot by the slot's name only.
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                SLOT(OnActionInvoked(uint, QString)));
    bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                SLOT(OnNotificationClosed(uint, uint)));
    auto* pWatcher = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(NotificationCall(QStringLiteral("GetCapabilities"))), this);
    connect(pWatcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* pCall) {
        const QDBusPendingReply<QStringList> reply = *pCall;
        if (reply.isValid())
            OnCapabilities(reply.value());
        pCall->deleteLater();
    });
}

void CDesktopNotifications::Show(const QString& strTitle, const QString& strText, unsigned uBalloonIcon,
                                 int iTimeoutMs, const QStringList& actions) {
    QDBusMessage call = NotificationCall(QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QGuiApplication::desktopFileName());
    call << QGuiApplication::applicationDisplayName() << m_uLastId << IconName(uBalloonIcon) << strTitle
         << PlainBody(strText, m_bServerTakesMarkup.value_or(true)) << actions << hints << iTimeoutMs;
    auto* pWatcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(pWatcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* pCall) {
        const QDBusPendingReply<unsigned> reply = *pCall;
        if (reply.isValid()) {
            m_uLastId = reply.value();
            m_OwnIds.insert(m_uLastId);
        }
        pCall->deleteLater();
    });
}

} // namespace platform
