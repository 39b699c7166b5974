#pragma once

#include "platform/NotifyArea.h"

#include <QObject>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

class CCommandTarget;
struct PopupMenuData;

// The program's icon in the notification area: tooltip, animation through a list of frames for a
// limited time, balloon tips, the popup menu on a right click and the menu's default command on a
// left click. Chosen commands go to the command target (the main frame).
//
// Not thread-safe: every member, the animation timer and the callbacks belong to the UI thread.
// Callers on other threads must carry their calls over to the UI thread.
class CSystemTray : public QObject, public platform::CNotifyOwner {
    Q_OBJECT
public:
    // The animation's clock. It must be monotonic, so that a change of the wall clock cannot
    // stretch or cut an animation.
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    static constexpr unsigned ANIMATION_TIMER_ID = 4567;
    static constexpr unsigned WM_TRAY_CALLBACK = 0x0400 + 10;

    CSystemTray(platform::CNotifyArea& notifyArea, CCommandTarget& commandTarget,
                Clock clock = &std::chrono::steady_clock::now, QObject* pParent = nullptr);
    ~CSystemTray() override;

    // Adds the icon; false when the notification area refuses it. Callbacks go to pOwner, or to
    // this tray icon when pOwner is null. A tip longer than 127 characters is cut.
    bool AddToTray(platform::CNotifyOwner* pOwner, unsigned uCallbackMessage, const QString& strTip,
                   const platform::IconHandle& hIcon, unsigned uIconId);
    // Shows another tip, cut as AddToTray cuts it; false when the icon is not added or the request fails.
    bool SetTooltipText(const QString& strTip);
    // Takes the icon out of the notification area if it was added.
    void RemoveFromTray();

    // Shows another icon; false when the icon is not added or the request fails.
    bool SetTrayIcon(const platform::IconHandle& hIcon);
    // Shows the program's icon resource uId (a blank icon when there is none); as SetTrayIcon.
    bool SetTrayIconResource(unsigned uId);
    // The icon shown; a null handle when the icon is not added.
    platform::IconHandle GetTrayIcon() const;

    // Shows another tool tip, cut to 127 characters; false when the icon is not added or the request
    // fails.
    bool SetTip(const QString& strTip);
    // Shows the icon when no animation runs, else makes it the icon that the animation ends on.
    void SetRestingIcon(const platform::IconHandle& hIcon);

    // Makes an item the popup's default, by position or by command id; false when the popup menu
    // resource is missing (the item is remembered anyway).
    bool SetDefaultItem(unsigned nItem, bool bByPosition);
    // What changes the popup menu's items each time they are taken from the menu resource, such as an
    // item whose text follows the program's state.
    void SetMenuAdjustment(std::function<void(PopupMenuData&)> adjust);
    // Hands the adjusted menu to the notification area again, after what the adjustment reads changed.
    void RefreshMenu();

    // Takes the icon resources uFirst to uLast as animation frames; false, leaving the frames as they
    // were, when uFirst > uLast. A missing resource gives a blank frame.
    bool LoadAnimationIcons(unsigned uFirst, unsigned uLast);
    // Ends a running animation, then turns the icon every iPeriodMs for iSeconds (no limit when 0 or
    // less); the first frame comes with the first tick. False when the timer cannot be started.
    bool StartAnimation(int iPeriodMs, int iSeconds);
    // Stops the animation and shows the icon it started from; false when no animation ran.
    bool EndAnimation();
    // Shows the frame after the one shown last; nothing when there are no frames.
    void NextFrame();

    // Shows a balloon above the icon for uTimeoutSeconds. The text is cut to 1023 characters and the
    // title to 63. The actions' commands (a click on the balloon, its buttons) go to the target.
    void ShowBalloonTip(const QString& strText, const QString& strTitle, unsigned dwInfoFlags,
                        unsigned uTimeoutSeconds, std::vector<platform::NotifyBalloonAction> actions = {});

    // A mouse event on icon uIconId: the right-button release opens the popup menu (which only a
    // notification area that does not show the menu itself reports), the left-button release sends
    // the default command. Returns 0 for another icon or a missing menu, else 1.
    virtual int OnTrayCallback(unsigned uIconId, unsigned uMouseMessage);

    int OnNotifyMessage(unsigned uMessage, unsigned uIconId, unsigned uMouseMessage) override;
    // An item chosen in the menu that the notification area shows, or a balloon's action: its command
    // goes to the target.
    void OnNotifyCommand(unsigned uIconId, unsigned nCommandId) override;

protected:
    void timerEvent(QTimerEvent* pEvent) override;

private:
    void OnTimer();
    std::optional<PopupMenuData> LoadTrayPopup() const;
    void HandMenuToArea();
    std::chrono::seconds WholeSecondsNow() const;
    int ShowPopupMenu();
    int SendDefaultCommand();

    platform::CNotifyArea& m_NotifyArea;
    CCommandTarget& m_CommandTarget;
    Clock m_Clock;

    bool m_bIconAdded = false;
    platform::NotifyIconData m_NotifyData;
    std::vector<platform::IconHandle> m_AnimationIcons;
    unsigned m_nAnimationTimer = 0;
    int m_iQtTimerId = 0; // Qt's own id of the timer known as ANIMATION_TIMER_ID
    std::size_t m_nFrame = 0;
    std::chrono::seconds m_AnimationStart{0};
    int m_nAnimationSeconds = 0;
    platform::IconHandle m_hRestIcon;
    unsigned m_nDefaultItem = 0;
    bool m_bDefaultByPosition = true;
    std::function<void(PopupMenuData&)> m_AdjustMenu;
};
