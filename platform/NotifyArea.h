#pragma once

#include <QString>
#include <vector>

// The desktop's notification area, reached through add / modify / delete requests that carry one
// record, as the tray icon needs it. The record refers to icons by handle, so this header stays free
// of any widget or image type; the implementation decides how a handle becomes an image.
namespace platform {

// Which parts of the record a request carries.
constexpr unsigned kNotifyFlagMessage = 0x01;
constexpr unsigned kNotifyFlagIcon = 0x02;
constexpr unsigned kNotifyFlagTip = 0x04;
constexpr unsigned kNotifyFlagInfo = 0x10;

// Balloon icon flags.
constexpr unsigned kBalloonIconNone = 0;
constexpr unsigned kBalloonIconInfo = 1;
constexpr unsigned kBalloonIconWarning = 2;
constexpr unsigned kBalloonIconError = 3;

// Mouse messages that the notification area delivers with the callback message.
constexpr unsigned kLeftButtonUp = 0x0202;
constexpr unsigned kLeftButtonDoubleClick = 0x0203;
constexpr unsigned kRightButtonUp = 0x0205;
constexpr unsigned kMiddleButtonUp = 0x0208;

// Field sizes of the record, terminator included: a text keeps at most one character less. The
// balloon's text holds the alert's message and a few lines about what changed.
constexpr int kTipSize = 128;
constexpr int kInfoSize = 1024;
constexpr int kInfoTitleSize = 64;

// The Qt resource that holds the program's icon with the given resource id, 16 px.
inline QString IconResourcePath(unsigned uResourceId) {
    return QStringLiteral(":/icons/%1.png").arg(uResourceId);
}

// The sizes in which an icon may also be drawn: what panels show, and 16 and 22 px at twice the
// pixel density.
constexpr int kExtraIconSizes[] = {22, 24, 32, 44, 48};

// The Qt resource that holds the icon with the given resource id drawn at iSize px.
inline QString IconResourcePath(unsigned uResourceId, int iSize) {
    return QStringLiteral(":/icons/%1-%2.png").arg(uResourceId).arg(iSize);
}

// An icon as the notification area sees it: none (a blank icon), one of the program's icon
// resources, or the desktop's stock question-mark icon.
struct IconHandle {
    enum class Source { None, Resource, StockQuestion };

    Source m_Source = Source::None;
    unsigned m_uResourceId = 0;

    static IconHandle FromResource(unsigned uResourceId) { return {Source::Resource, uResourceId}; }
    static IconHandle StockQuestion() { return {Source::StockQuestion, 0}; }

    bool IsNull() const { return m_Source == Source::None; }
    friend bool operator==(const IconHandle&, const IconHandle&) = default;
};

// Whoever the notification area reports mouse events on an icon to.
class CNotifyOwner {
public:
    virtual ~CNotifyOwner() = default;

    // One event on icon uIconId: uMessage is the record's callback message, uMouseMessage one of
    // the mouse messages above. Returns the owner's own result code.
    virtual int OnNotifyMessage(unsigned uMessage, unsigned uIconId, unsigned uMouseMessage) = 0;
    // The user chose the item with command id nCommandId in the menu of icon uIconId that the owner
    // handed to the area, or an action of the icon's balloon. An owner that hands over no menu and
    // shows no balloon with actions gets none.
    virtual void OnNotifyCommand(unsigned /*uIconId*/, unsigned /*nCommandId*/) {}

protected:
    CNotifyOwner() = default;
    CNotifyOwner(const CNotifyOwner&) = default;
    CNotifyOwner& operator=(const CNotifyOwner&) = default;
};

// One item of an icon's menu, as the area shows it; an item with items of its own is a submenu.
struct NotifyMenuItem {
    QString m_strText;
    unsigned m_nCommandId = 0;
    bool m_bSeparator = false;
    bool m_bDefault = false; // drawn bold where the desktop can
    std::vector<NotifyMenuItem> m_SubItems;

    friend bool operator==(const NotifyMenuItem&, const NotifyMenuItem&) = default;
};

// Something the user may do with a balloon: a click on the balloon itself (key kBalloonClickAction),
// or a button with a label, where the desktop shows buttons. Either gives its command to the owner.
struct NotifyBalloonAction {
    QString m_strKey;
    QString m_strLabel;
    unsigned m_nCommandId = 0;

    friend bool operator==(const NotifyBalloonAction&, const NotifyBalloonAction&) = default;
};

inline const QString kBalloonClickAction = QStringLiteral("default");

// The record sent with every request. An icon is identified by its owner and its icon id.
struct NotifyIconData {
    CNotifyOwner* m_pOwner = nullptr;
    unsigned m_uID = 0;
    unsigned m_uFlags = 0;
    unsigned m_uCallbackMessage = 0;
    IconHandle m_hIcon;
    QString m_strTip;
    QString m_strInfo;
    unsigned m_uTimeout = 0; // milliseconds
    QString m_strInfoTitle;
    unsigned m_dwInfoFlags = kBalloonIconNone;
    std::vector<NotifyBalloonAction> m_BalloonActions; // with the balloon: what the user may do with it
};

// The notification-area service. Each request applies only the parts that the record's flags name.
class CNotifyArea {
public:
    virtual ~CNotifyArea() = default;

    // Puts a new icon into the area; false when the area is missing or refuses it.
    virtual bool Add(const NotifyIconData& data) = 0;
    // Changes an icon that was added; false when there is no such icon.
    virtual bool Modify(const NotifyIconData& data) = 0;
    // Takes an icon out of the area; false when there is no such icon.
    virtual bool Delete(const NotifyIconData& data) = 0;
    // Gives the icon that data names the menu that the area shows itself on a right click: at the
    // cursor, or as the tray host's own menu. A chosen item goes to the owner's OnNotifyCommand, and
    // the right click then reaches the owner no more. False when there is no such icon, or when the
    // area shows no menus: then the owner gets the right click and shows the menu itself.
    virtual bool SetMenu(const NotifyIconData& /*data*/, const std::vector<NotifyMenuItem>& /*items*/) {
        return false;
    }

protected:
    CNotifyArea() = default;
    CNotifyArea(const CNotifyArea&) = default;
    CNotifyArea& operator=(const CNotifyArea&) = default;
};

} // namespace platform
