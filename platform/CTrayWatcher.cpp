#include "platform/CTrayWatcher.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace platform {
namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
constexpr int kBusAnswerMs = 2000;
// Between two looks, for a tray whose arrival no signal announces (an X11 tray manager, a host that
// registers after its watcher).
constexpr int kPollMs = 500;

QDBusMessage HostRegisteredQuery() {
    QDBusMessage query = QDBusMessage::createMethodCall(kWatcherService, kWatcherPath,
                                                        QStringLiteral("org.freedesktop.DBus.Properties"),
                                                        QStringLiteral("Get"));
    query << kWatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    // Only a watcher that runs counts; none is started for the question.
    query.setAutoStartService(false);
    return query;
}

// The X screen that DISPLAY names (":1.0" is screen 0 of display 1).
int DisplayScreen() {
    const QString strDisplay = qEnvironmentVariable("DISPLAY");
    const qsizetype nDot = strDisplay.lastIndexOf(u'.');
    return nDot > strDisplay.lastIndexOf(u':') ? strDisplay.mid(nDot + 1).toInt() : 0;
}

} // namespace

CTrayWatcher::CTrayWatcher(QObject* pParent) : QObject(pParent) {
    m_Poll.setInterval(kPollMs);
    connect(&m_Poll, &QTimer::timeout, this, [this] {
        if (HasX11TrayManager())
            OnFound();
        else
            CheckStatusNotifierHost();
    });
}

CTrayWatcher::~CTrayWatcher() = default;

bool CTrayWatcher::IsTrayThere() const {
    return HasX11TrayManager() || HasStatusNotifierHost();
}

void CTrayWatcher::Watch() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && m_pServiceWatcher == nullptr) {
        m_pServiceWatcher =
            new QDBusServiceWatcher(kWatcherService, bus, QDBusServiceWatcher::WatchForRegistration, this);
        connect(m_pServiceWatcher, &QDBusServiceWatcher::serviceRegistered, this,
                &CTrayWatcher::CheckStatusNotifierHost);
    }
    m_Poll.start();
}

bool CTrayWatcher::HasX11TrayManager() const {
    auto* pX11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (pX11 == nullptr || pX11->connection() == nullptr)
        return false;
    xcb_connection_t* pConnection = pX11->connection();
    const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(DisplayScreen());
    const xcb_intern_atom_cookie_t atomCookie =
        xcb_intern_atom(pConnection, 0, static_cast<uint16_t>(name.size()), name.constData());
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(pConnection, atomCookie, nullptr), &std::free);
    if (atom == nullptr)
        return false;
    const std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(pConnection, xcb_get_selection_owner(pConnection, atom->atom), nullptr),
        &std::free);
    return owner != nullptr && owner->owner != XCB_NONE;
}

bool CTrayWatcher::HasStatusNotifierHost() const {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const QDBusMessage reply = bus.call(HostRegisteredQuery(), QDBus::Block, kBusAnswerMs);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toBool();
}

void CTrayWatcher::CheckStatusNotifierHost() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    auto* pCall = new QDBusPendingCallWatcher(bus.asyncCall(HostRegisteredQuery(), kBusAnswerMs), this);
    connect(pCall, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* pFinished) {
        const QDBusPendingReply<QDBusVariant> reply = *pFinished;
        if (reply.isValid() && reply.value().variant().toBool())
            OnFound();
        pFinished->deleteLater();
    });
}

void CTrayWatcher::OnFound() {
    if (m_bFound)
        return;
    m_bFound = true;
    m_Poll.stop();
    emit TrayAppeared();
}

} // namespace platform
