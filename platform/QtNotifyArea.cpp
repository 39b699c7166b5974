#include "platform/QtNotifyArea.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>
#include <algorithm>
#include <climits>

namespace platform {
namespace {

QSystemTrayIcon::MessageIcon BalloonIcon(unsigned dwInfoFlags) {
    switch (dwInfoFlags) {
    case kBalloonIconInfo:
        return QSystemTrayIcon::Information;
    case kBalloonIconWarning:
        return QSystemTrayIcon::Warning;
    case kBalloonIconError:
        return QSystemTrayIcon::Critical;
    default:
        return QSystemTrayIcon::NoIcon;
    }
}

unsigned MouseMessage(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return kLeftButtonUp;
    case QSystemTrayIcon::Context:
        return kRightButtonUp;
    case QSystemTrayIcon::DoubleClick:
        return kLeftButtonDoubleClick;
    case QSystemTrayIcon::MiddleClick:
        return kMiddleButtonUp;
    default:
        return 0;
    }
}

} // namespace

CQtNotifyArea::CQtNotifyArea(QObject* pParent) : QObject(pParent) {}

CQtNotifyArea::~CQtNotifyArea() = default;

QIcon CQtNotifyArea::IconImage(const IconHandle& hIcon) {
    switch (hIcon.m_Source) {
    case IconHandle::Source::Resource:
        return QIcon(IconResourcePath(hIcon.m_uResourceId));
    case IconHandle::Source::StockQuestion:
        return QApplication::style()->standardIcon(QStyle::SP_MessageBoxQuestion);
    case IconHandle::Source::None:
        break;
    }
    return {};
}

bool CQtNotifyArea::Add(const NotifyIconData& data) {
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    const Key key{data.m_pOwner, data.m_uID};
    if (m_Icons.contains(key))
        return false;

    Entry& entry = m_Icons[key];
    entry.m_pTrayIcon = std::make_unique<QSystemTrayIcon>();
    connect(entry.m_pTrayIcon.get(), &QSystemTrayIcon::activated, this,
            [this, key](QSystemTrayIcon::ActivationReason reason) { OnActivated(key, reason); });
    Apply(entry, data);
    entry.m_pTrayIcon->show();
    return true;
}

bool CQtNotifyArea::Modify(const NotifyIconData& data) {
    const auto found = m_Icons.find(Key{data.m_pOwner, data.m_uID});
    if (found == m_Icons.end())
        return false;
    Apply(found->second, data);
    return true;
}

bool CQtNotifyArea::Delete(const NotifyIconData& data) {
    const auto found = m_Icons.find(Key{data.m_pOwner, data.m_uID});
    if (found == m_Icons.end())
        return false;
    found->second.m_pTrayIcon->hide();
    m_Icons.erase(found);
    return true;
}

void CQtNotifyArea::Apply(Entry& entry, const NotifyIconData& data) {
    QSystemTrayIcon& trayIcon = *entry.m_pTrayIcon;
    if (data.m_uFlags & kNotifyFlagMessage)
        entry.m_uCallbackMessage = data.m_uCallbackMessage;
    if (data.m_uFlags & kNotifyFlagIcon)
        trayIcon.setIcon(IconImage(data.m_hIcon));
    if (data.m_uFlags & kNotifyFlagTip)
        trayIcon.setToolTip(data.m_strTip);
    // An empty balloon text asks for no balloon.
    if ((data.m_uFlags & kNotifyFlagInfo) && !data.m_strInfo.isEmpty())
        trayIcon.showMessage(data.m_strInfoTitle, data.m_strInfo, BalloonIcon(data.m_dwInfoFlags),
                             static_cast<int>(std::min<unsigned>(data.m_uTimeout, INT_MAX)));
}

void CQtNotifyArea::OnActivated(const Key& key, QSystemTrayIcon::ActivationReason reason) {
    const unsigned uMouseMessage = MouseMessage(reason);
    if (uMouseMessage == 0)
        return;
    QMetaObject::invokeMethod(
        this, [this, key, uMouseMessage] { Deliver(key, uMouseMessage); }, Qt::QueuedConnection);
}

// An icon deleted while its event waited gets nothing: its owner may be gone.
void CQtNotifyArea::Deliver(const Key& key, unsigned uMouseMessage) {
    const auto found = m_Icons.find(key);
    if (found == m_Icons.end() || key.first == nullptr)
        return;
    key.first->OnNotifyMessage(found->second.m_uCallbackMessage, key.second, uMouseMessage);
}

} // namespace platform
