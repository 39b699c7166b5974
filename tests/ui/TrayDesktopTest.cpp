// The tray icon on a real notification area: an X display with the trayer tray host, which the
// desktop fixture starts. The user's clicks are made with xdotool on the icon's own window.
#include "platform/QtNotifyArea.h"
#include "ui/CCommandTarget.h"
#include "ui/CSystemTray.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

using platform::IconHandle;

namespace {

constexpr unsigned kTrayIconId = 130;

class CRecordingOwner final : public platform::CNotifyOwner {
public:
    int OnNotifyMessage(unsigned uMessage, unsigned uIconId, unsigned uMouseMessage) override {
        m_Messages.push_back({uMessage, uIconId, uMouseMessage});
        return 1;
    }
    struct Message {
        unsigned m_uMessage, m_uIconId, m_uMouseMessage;
    };
    std::vector<Message> m_Messages;
};

class CRecordingCommandTarget final : public CCommandTarget {
public:
    void OnCommand(unsigned nId) override { m_Commands.push_back(nId); }
    std::vector<unsigned> m_Commands;
};

// The time only bounds a wait that fails, so it leaves a busy machine room to spare.
bool RunEventsUntil(const std::function<bool()>& fnDone, int iMs = 30000) {
    QElapsedTimer waited;
    waited.start();
    while (!fnDone() && waited.elapsed() < iMs) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return fnDone();
}

// The window in which the tray host shows our icon, once it is embedded.
QWidget* TrayIconWindow() {
    for (QWidget* pWidget : QApplication::topLevelWidgets())
        if (pWidget->inherits("QSystemTrayIconSys") && pWidget->isVisible())
            return pWidget;
    return nullptr;
}

// What xwininfo tells of X window uWindow, with its children when asked; empty when it cannot tell.
QByteArray WindowInfo(WId uWindow, bool bChildren = false) {
    QProcess xwininfo;
    xwininfo.start(QStringLiteral("xwininfo"),
                   (bChildren ? QStringList{QStringLiteral("-children")} : QStringList{}) +
                       QStringList{QStringLiteral("-id"), QString::number(uWindow)});
    return xwininfo.waitForFinished() ? xwininfo.readAllStandardOutput() : QByteArray();
}

WId ParentWindow(WId uWindow) {
    static const QRegularExpression parent(QStringLiteral("Parent window id: (0x[0-9a-f]+)"));
    const QRegularExpressionMatch match = parent.match(QString::fromLatin1(WindowInfo(uWindow, true)));
    return match.hasMatch() ? match.captured(1).toULongLong(nullptr, 16) : 0;
}

// Whether the tray host has taken the icon into its panel, where clicks reach it: a click on the
// icon shown before that lands elsewhere.
bool IconDocked() {
    QWidget* pIcon = TrayIconWindow();
    const WId uSocket = pIcon != nullptr ? ParentWindow(pIcon->winId()) : 0;
    const WId uPanel = uSocket != 0 ? ParentWindow(uSocket) : 0;
    return uPanel != 0 && WindowInfo(uPanel).contains("\"panel\"");
}

// Clicks a mouse button (1 left, 2 middle, 3 right) iTimes in the middle of the icon.
bool ClickIcon(int iButton, int iTimes = 1) {
    QWidget* pIcon = TrayIconWindow();
    if (pIcon == nullptr)
        return false;
    // The pointer comes from elsewhere, so the icon sees it enter even when it lies where the
    // pointer was left.
    const QStringList arguments{QStringLiteral("mousemove"),
                                QStringLiteral("0"),
                                QStringLiteral("0"),
                                QStringLiteral("mousemove"),
                                QStringLiteral("--window"),
                                QString::number(pIcon->winId()),
                                QString::number(pIcon->width() / 2),
                                QString::number(pIcon->height() / 2),
                                QStringLiteral("click"),
                                QStringLiteral("--repeat"),
                                QString::number(iTimes),
                                QStringLiteral("--delay"),
                                QStringLiteral("60"),
                                QString::number(iButton)};
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

class TrayDesktopTest : public testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QStringLiteral("xcb"))
            GTEST_SKIP() << "needs the desktop fixture's X display";
        ASSERT_TRUE(QSystemTrayIcon::isSystemTrayAvailable()) << "the fixture's display has no tray host";
    }

    // The next test's first click must not make a double-click with this test's last one.
    void TearDown() override {
        const int iInterval = QApplication::doubleClickInterval() + 100;
        RunEventsUntil([] { return false; }, iInterval);
    }

    platform::NotifyIconData Record(unsigned uFlags) {
        platform::NotifyIconData data;
        data.m_pOwner = &m_Owner;
        data.m_uID = kTrayIconId;
        data.m_uCallbackMessage = CSystemTray::WM_TRAY_CALLBACK;
        data.m_uFlags = uFlags;
        data.m_hIcon = IconHandle::FromResource(128);
        data.m_strTip = QStringLiteral("Corvane");
        return data;
    }

    CRecordingOwner m_Owner;
};

TEST_F(TrayDesktopTest, AnIconIsAddedOnceChangedAndDeleted) {
    platform::CQtNotifyArea area;
    using namespace platform;
    EXPECT_FALSE(area.Modify(Record(kNotifyFlagIcon)));
    ASSERT_TRUE(area.Add(Record(kNotifyFlagMessage | kNotifyFlagIcon | kNotifyFlagTip)));
    EXPECT_FALSE(area.Add(Record(kNotifyFlagMessage | kNotifyFlagIcon | kNotifyFlagTip)))
        << "the same owner and id make the same icon";
    EXPECT_TRUE(RunEventsUntil([] { return TrayIconWindow() != nullptr; }))
        << "the tray host never showed it";

    EXPECT_TRUE(area.Modify(Record(kNotifyFlagIcon)));
    platform::NotifyIconData balloon = Record(kNotifyFlagInfo);
    balloon.m_strInfo = QStringLiteral("wc was modified.");
    balloon.m_strInfoTitle = QStringLiteral("SubVersion:");
    balloon.m_uTimeout = 10000;
    EXPECT_TRUE(area.Modify(balloon));

    EXPECT_TRUE(area.Delete(Record(0)));
    EXPECT_FALSE(area.Delete(Record(0)));
    EXPECT_FALSE(area.Modify(Record(kNotifyFlagIcon)));
    EXPECT_TRUE(RunEventsUntil([] { return TrayIconWindow() == nullptr; })) << "the icon stayed in the tray";
}

TEST_F(TrayDesktopTest, ClicksReachTheOwnerAsButtonReleases) {
    platform::CQtNotifyArea area;
    using namespace platform;
    ASSERT_TRUE(area.Add(Record(kNotifyFlagMessage | kNotifyFlagIcon | kNotifyFlagTip)));
    ASSERT_TRUE(RunEventsUntil(IconDocked));

    const std::vector<std::pair<int, unsigned>> clicks = {
        {1, kLeftButtonUp}, {3, kRightButtonUp}, {2, kMiddleButtonUp}};
    for (const auto& [iButton, uExpected] : clicks) {
        m_Owner.m_Messages.clear();
        ASSERT_TRUE(ClickIcon(iButton));
        ASSERT_TRUE(RunEventsUntil([this] { return !m_Owner.m_Messages.empty(); })) << "button " << iButton;
        EXPECT_EQ(m_Owner.m_Messages.front().m_uMessage, CSystemTray::WM_TRAY_CALLBACK);
        EXPECT_EQ(m_Owner.m_Messages.front().m_uIconId, kTrayIconId);
        EXPECT_EQ(m_Owner.m_Messages.front().m_uMouseMessage, uExpected) << "button " << iButton;
    }
    area.Delete(Record(0));
}

TEST_F(TrayDesktopTest, ADoubleClickIsOneLeftReleaseAndADoubleClick) {
    platform::CQtNotifyArea area;
    ASSERT_TRUE(area.Add(Record(platform::kNotifyFlagMessage | platform::kNotifyFlagIcon)));
    ASSERT_TRUE(RunEventsUntil(IconDocked));

    ASSERT_TRUE(ClickIcon(1, 2));
    RunEventsUntil([this] { return m_Owner.m_Messages.size() >= 2; });
    std::vector<unsigned> mouse;
    for (const auto& message : m_Owner.m_Messages)
        mouse.push_back(message.m_uMouseMessage);
    EXPECT_EQ(mouse, (std::vector{platform::kLeftButtonUp, platform::kLeftButtonDoubleClick}));
    area.Delete(Record(0));
}

TEST_F(TrayDesktopTest, AnOwnerMayRemoveItsIconWhileHandlingAClick) {
    platform::CQtNotifyArea area;
    struct CRemovingOwner final : platform::CNotifyOwner {
        int OnNotifyMessage(unsigned, unsigned uIconId, unsigned) override {
            platform::NotifyIconData data;
            data.m_pOwner = this;
            data.m_uID = uIconId;
            m_bRemoved = m_pArea->Delete(data);
            return 1;
        }
        platform::CNotifyArea* m_pArea = nullptr;
        bool m_bRemoved = false;
    } owner;
    owner.m_pArea = &area;
    platform::NotifyIconData data = Record(platform::kNotifyFlagMessage | platform::kNotifyFlagIcon);
    data.m_pOwner = &owner;
    ASSERT_TRUE(area.Add(data));
    ASSERT_TRUE(RunEventsUntil(IconDocked));

    ASSERT_TRUE(ClickIcon(1));
    EXPECT_TRUE(RunEventsUntil([&] { return owner.m_bRemoved; }));
    EXPECT_TRUE(RunEventsUntil([] { return TrayIconWindow() == nullptr; }));
}

TEST_F(TrayDesktopTest, TheTrayIconAnswersTheUsersClicks) {
    platform::CQtNotifyArea area;
    CRecordingCommandTarget target;
    CSystemTray tray(area, target);
    ASSERT_TRUE(tray.AddToTray(nullptr, CSystemTray::WM_TRAY_CALLBACK,
                               QStringLiteral("This is a Corvane Icon - Right click on me!"),
                               IconHandle::StockQuestion(), kTrayIconId));
    tray.SetDefaultItem(2, true);
    ASSERT_TRUE(tray.SetTrayIconResource(128));
    ASSERT_TRUE(RunEventsUntil(IconDocked));

    ASSERT_TRUE(ClickIcon(1));
    EXPECT_TRUE(RunEventsUntil([&] { return !target.m_Commands.empty(); }));
    EXPECT_EQ(target.m_Commands, std::vector<unsigned>{32776}) << "a left click opens the report";

    // The right click opens the menu that the icon was given, at the pointer; the check closes it again.
    QString strDefault;
    int iMenusShown = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        if (auto* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            ++iMenusShown;
            strDefault = pMenu->defaultAction() != nullptr ? pMenu->defaultAction()->text() : QString();
            pMenu->close();
        }
    });
    poll.start(20);
    ASSERT_TRUE(ClickIcon(3));
    EXPECT_TRUE(RunEventsUntil([&] { return !strDefault.isEmpty(); }));
    EXPECT_EQ(strDefault, QStringLiteral("Report"));
    RunEventsUntil([] { return false; }, 500);
    EXPECT_EQ(iMenusShown, 1) << "the tray icon showed a menu of its own beside the icon's";
}

} // namespace

// The desktop fixture writes its display's name into a file in its state folder; without that
// folder (as when the build lists the tests) they run offscreen and skip.
int main(int argc, char* argv[]) {
    const QString strState = qEnvironmentVariable("CORVANE_DESKTOP_STATE");
    QFile displayFile(strState + QStringLiteral("/display"));
    if (!strState.isEmpty() && displayFile.open(QIODevice::ReadOnly)) {
        qputenv("DISPLAY", displayFile.readAll().trimmed());
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
