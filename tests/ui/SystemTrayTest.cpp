#include "CRecordingNotifyArea.h"
#include "ui/CCommandTarget.h"
#include "ui/CSystemTray.h"
#include "ui/MenuResource.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>
#include <QTimerEvent>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

using platform::IconHandle;
using namespace std::chrono_literals;

namespace {

constexpr unsigned kTrayIconId = 130;
constexpr unsigned kReport = 32776;
constexpr unsigned kWatchdogSettings = 32774;
constexpr unsigned kQuit = 57665;
const QString kTip = QStringLiteral("This is a Corvane Icon - Right click on me!");

class CRecordingCommandTarget final : public CCommandTarget {
public:
    void OnCommand(unsigned nId) override { m_Commands.push_back(nId); }
    std::vector<unsigned> m_Commands;
};

IconHandle Icon(unsigned uId) {
    return IconHandle::FromResource(uId);
}

void RunEventsFor(int iMs) {
    QEventLoop loop;
    QTimer::singleShot(iMs, &loop, &QEventLoop::quit);
    loop.exec();
}

class SystemTrayTest : public testing::Test {
protected:
    SystemTrayTest() : m_Tray(m_Area, m_Target, [this] { return m_Now; }) {}

    // The frame's own start-up: question mark first, then Report as default and the resting icon.
    void AddAsTheFrameDoes() {
        ASSERT_TRUE(m_Tray.AddToTray(nullptr, CSystemTray::WM_TRAY_CALLBACK, kTip,
                                     IconHandle::StockQuestion(), kTrayIconId));
        m_Tray.SetDefaultItem(2, true);
        ASSERT_TRUE(m_Tray.SetTrayIconResource(128));
    }

    void Tick() {
        QTimerEvent tick(1);
        QCoreApplication::sendEvent(&m_Tray, &tick);
    }

    // The icons shown after the first nSkip icon requests.
    std::vector<IconHandle> IconsAfter(std::size_t nSkip) const {
        const std::vector<IconHandle> icons = m_Area.IconsShown();
        return {icons.begin() + static_cast<std::ptrdiff_t>(nSkip), icons.end()};
    }

    std::chrono::steady_clock::time_point m_Now{100s};
    CRecordingNotifyArea m_Area;
    CRecordingCommandTarget m_Target;
    CSystemTray m_Tray;
};

// ---- requests and their records ----

TEST_F(SystemTrayTest, EachRequestCarriesOnlyItsOwnFlags) {
    AddAsTheFrameDoes();
    m_Tray.ShowBalloonTip(QStringLiteral("wc was modified."), QStringLiteral("SubVersion:"), 0, 10);
    m_Tray.RemoveFromTray();

    const auto& requests = m_Area.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].m_Request, CRecordingNotifyArea::Request::Add);
    EXPECT_EQ(requests[0].m_Data.m_uFlags, 7u);
    EXPECT_EQ(requests[0].m_Data.m_pOwner, &m_Tray);
    EXPECT_EQ(requests[0].m_Data.m_uID, kTrayIconId);
    EXPECT_EQ(requests[0].m_Data.m_uCallbackMessage, 1034u);
    EXPECT_EQ(requests[0].m_Data.m_hIcon, IconHandle::StockQuestion());
    EXPECT_EQ(requests[0].m_Data.m_strTip, kTip);

    EXPECT_EQ(requests[1].m_Request, CRecordingNotifyArea::Request::Modify);
    EXPECT_EQ(requests[1].m_Data.m_uFlags, 2u);
    EXPECT_EQ(requests[1].m_Data.m_hIcon, Icon(128));

    EXPECT_EQ(requests[2].m_Request, CRecordingNotifyArea::Request::Modify);
    EXPECT_EQ(requests[2].m_Data.m_uFlags, 16u);
    EXPECT_EQ(requests[2].m_Data.m_strInfo, QStringLiteral("wc was modified."));
    EXPECT_EQ(requests[2].m_Data.m_strInfoTitle, QStringLiteral("SubVersion:"));
    EXPECT_EQ(requests[2].m_Data.m_uTimeout, 10000u);
    EXPECT_EQ(requests[2].m_Data.m_dwInfoFlags, 0u);

    EXPECT_EQ(requests[3].m_Request, CRecordingNotifyArea::Request::Delete);
    EXPECT_EQ(requests[3].m_Data.m_uFlags, 0u);
}

TEST_F(SystemTrayTest, IconIsRemovedOnceAndByTheDestructor) {
    {
        CRecordingNotifyArea area;
        CRecordingCommandTarget target;
        CSystemTray tray(area, target);
        ASSERT_TRUE(tray.AddToTray(nullptr, CSystemTray::WM_TRAY_CALLBACK, kTip, Icon(128), kTrayIconId));
        tray.RemoveFromTray();
        tray.RemoveFromTray();
        EXPECT_EQ(area.Requests().size(), 2u);
    }
    {
        CRecordingNotifyArea area;
        CRecordingCommandTarget target;
        {
            CSystemTray tray(area, target);
            ASSERT_TRUE(tray.AddToTray(nullptr, CSystemTray::WM_TRAY_CALLBACK, kTip, Icon(128), kTrayIconId));
        }
        ASSERT_EQ(area.Requests().size(), 2u);
        EXPECT_EQ(area.Requests().back().m_Request, CRecordingNotifyArea::Request::Delete);
    }
}

TEST_F(SystemTrayTest, ARefusedAddLeavesTheIconOutAndEveryChangeFails) {
    m_Area.RefuseAdds();
    EXPECT_FALSE(m_Tray.AddToTray(nullptr, CSystemTray::WM_TRAY_CALLBACK, kTip, IconHandle::StockQuestion(),
                                  kTrayIconId));
    EXPECT_FALSE(m_Tray.SetTrayIconResource(128));
    EXPECT_FALSE(m_Tray.SetTrayIcon(Icon(131)));
    EXPECT_TRUE(m_Tray.GetTrayIcon().IsNull());
    m_Tray.RemoveFromTray();
    EXPECT_EQ(m_Area.Requests().size(), 1u) << "nothing but the refused add may reach the area";
}

TEST_F(SystemTrayTest, AnOwnerGivenToAddReceivesTheCallbacks) {
    struct COwner final : platform::CNotifyOwner {
        int OnNotifyMessage(unsigned, unsigned uIconId, unsigned) override {
            return static_cast<int>(uIconId);
        }
    } owner;
    ASSERT_TRUE(m_Tray.AddToTray(&owner, CSystemTray::WM_TRAY_CALLBACK, kTip, Icon(128), kTrayIconId));
    EXPECT_EQ(m_Area.Click(platform::kLeftButtonUp), static_cast<int>(kTrayIconId));
    EXPECT_TRUE(m_Target.m_Commands.empty());
}

// ---- texts cut to their fields ----

TEST_F(SystemTrayTest, TextsAreCutToTheirFieldSizes) {
    const QString strLong(1100, QLatin1Char('x'));
    ASSERT_TRUE(m_Tray.AddToTray(nullptr, CSystemTray::WM_TRAY_CALLBACK, strLong, Icon(128), kTrayIconId));
    m_Tray.ShowBalloonTip(strLong, strLong, 0, 10);

    const auto& requests = m_Area.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].m_Data.m_strTip, strLong.left(127));
    EXPECT_EQ(requests[1].m_Data.m_strInfo, strLong.left(1023));
    EXPECT_EQ(requests[1].m_Data.m_strInfoTitle, strLong.left(63));
}

TEST_F(SystemTrayTest, TextsOfExactlyTheFieldSizeStayWhole) {
    const QString strTip(127, QLatin1Char('t'));
    const QString strText(1023, QLatin1Char('b'));
    const QString strTitle(63, QLatin1Char('s'));
    ASSERT_TRUE(m_Tray.AddToTray(nullptr, CSystemTray::WM_TRAY_CALLBACK, strTip, Icon(128), kTrayIconId));
    m_Tray.ShowBalloonTip(strText, strTitle, 0, 10);

    EXPECT_EQ(m_Area.Requests()[0].m_Data.m_strTip, strTip);
    EXPECT_EQ(m_Area.Requests()[1].m_Data.m_strInfo, strText);
    EXPECT_EQ(m_Area.Requests()[1].m_Data.m_strInfoTitle, strTitle);
}

TEST_F(SystemTrayTest, ACutNeverSplitsASurrogatePair) {
    // 126 letters, then U+1F600 as two UTF-16 units at positions 126 and 127.
    const QString strTip =
        QString(126, QLatin1Char('a')) + QString::fromUcs4(U"\U0001F600") + QStringLiteral("zz");
    ASSERT_TRUE(m_Tray.AddToTray(nullptr, CSystemTray::WM_TRAY_CALLBACK, strTip, Icon(128), kTrayIconId));
    const QString strSent = m_Area.Requests()[0].m_Data.m_strTip;
    EXPECT_EQ(strSent, QString(126, QLatin1Char('a')));
    EXPECT_TRUE(strSent.isValidUtf16());
}

TEST_F(SystemTrayTest, ABalloonWithoutTitleAndALaterBalloonReplaceTheTexts) {
    AddAsTheFrameDoes();
    m_Tray.ShowBalloonTip(QStringLiteral("first"), QStringLiteral("SubVersion:"), 0, 10);
    m_Tray.ShowBalloonTip(QStringLiteral("second"), QString(), platform::kBalloonIconWarning, 3);

    const auto& last = m_Area.Requests().back().m_Data;
    EXPECT_EQ(last.m_uFlags, 16u);
    EXPECT_EQ(last.m_strInfo, QStringLiteral("second"));
    EXPECT_TRUE(last.m_strInfoTitle.isEmpty());
    EXPECT_EQ(last.m_dwInfoFlags, platform::kBalloonIconWarning);
    EXPECT_EQ(last.m_uTimeout, 3000u);
}

TEST_F(SystemTrayTest, AHugeBalloonTimeoutDoesNotWrapToAShortOne) {
    AddAsTheFrameDoes();
    m_Tray.ShowBalloonTip(QStringLiteral("text"), QString(), 0, 5'000'000);
    EXPECT_EQ(m_Area.Requests().back().m_Data.m_uTimeout, 0xFFFFFFFFu);
}

// ---- animation ----

TEST_F(SystemTrayTest, FramesTurnInTheOrderOfTheCheckJob) {
    AddAsTheFrameDoes();
    ASSERT_TRUE(m_Tray.LoadAnimationIcons(130, 133));
    ASSERT_TRUE(m_Tray.StartAnimation(100, 30));
    const std::size_t nBefore = m_Area.IconsShown().size();
    EXPECT_EQ(nBefore, 2u) << "starting must not change the icon at once";

    for (int i = 0; i < 6; ++i)
        Tick();
    EXPECT_EQ(IconsAfter(nBefore),
              (std::vector{Icon(131), Icon(132), Icon(133), Icon(130), Icon(131), Icon(132)}));
}

TEST_F(SystemTrayTest, AnimationEndsAfterItsDurationWithTheRestingIconBack) {
    AddAsTheFrameDoes();
    m_Now += 900ms; // the start falls late in a whole second
    m_Tray.LoadAnimationIcons(130, 133);
    m_Tray.StartAnimation(100, 30);

    m_Now += 30s + 50ms; // 30 whole seconds have passed, not more
    Tick();
    EXPECT_EQ(m_Area.ShownIcon(), Icon(131));

    m_Now += 50ms; // only 30.1 s after the start, but 31 whole seconds
    Tick();
    EXPECT_EQ(m_Area.ShownIcon(), Icon(128));
    EXPECT_FALSE(m_Tray.EndAnimation()) << "the timer must have stopped with the animation";
}

TEST_F(SystemTrayTest, ADurationOfZeroOrLessNeverEnds) {
    for (const int iSeconds : {0, -5}) {
        AddAsTheFrameDoes();
        m_Tray.LoadAnimationIcons(130, 133);
        m_Tray.StartAnimation(100, iSeconds);
        m_Now += 24h;
        Tick();
        EXPECT_EQ(m_Area.ShownIcon(), Icon(131)) << "duration " << iSeconds;
        EXPECT_TRUE(m_Tray.EndAnimation());
        EXPECT_EQ(m_Area.ShownIcon(), Icon(128));
        m_Tray.RemoveFromTray();
    }
}

TEST_F(SystemTrayTest, ARestartRemembersTheSameRestingIconAndRestartsTheTime) {
    AddAsTheFrameDoes();
    m_Tray.LoadAnimationIcons(130, 133);
    m_Tray.StartAnimation(100, 30);
    Tick();
    Tick();
    ASSERT_EQ(m_Area.ShownIcon(), Icon(132));

    m_Now += 20s;
    m_Tray.StartAnimation(100, 30); // a second working copy announced
    EXPECT_EQ(m_Area.ShownIcon(), Icon(128)) << "the running animation ends first";
    Tick();
    EXPECT_EQ(m_Area.ShownIcon(), Icon(131)) << "the frames start over";

    m_Now += 25s; // 45 s after the first start, 25 s after the second
    Tick();
    EXPECT_EQ(m_Area.ShownIcon(), Icon(132));

    EXPECT_TRUE(m_Tray.EndAnimation());
    EXPECT_EQ(m_Area.ShownIcon(), Icon(128)) << "the resting icon, never a frame, is restored";
}

TEST_F(SystemTrayTest, FramesInReverseOrderAreRefusedAndTheListStays) {
    AddAsTheFrameDoes();
    ASSERT_TRUE(m_Tray.LoadAnimationIcons(131, 132));
    EXPECT_FALSE(m_Tray.LoadAnimationIcons(133, 130));
    m_Tray.StartAnimation(100, 30);
    const std::size_t nBefore = m_Area.IconsShown().size();
    Tick();
    Tick();
    Tick();
    EXPECT_EQ(IconsAfter(nBefore), (std::vector{Icon(132), Icon(131), Icon(132)}));
}

TEST_F(SystemTrayTest, OneFrameIsShownAtEveryTickAndAMissingIconIsABlankFrame) {
    AddAsTheFrameDoes();
    m_Tray.LoadAnimationIcons(133, 133);
    m_Tray.StartAnimation(100, 30);
    Tick();
    Tick();
    EXPECT_EQ(m_Area.ShownIcon(), Icon(133));

    ASSERT_TRUE(m_Tray.LoadAnimationIcons(132, 134)); // 134 is no icon of the program
    m_Tray.StartAnimation(100, 30);
    Tick();
    EXPECT_EQ(m_Area.ShownIcon(), Icon(133));
    Tick();
    EXPECT_TRUE(m_Area.ShownIcon().IsNull());
}

TEST_F(SystemTrayTest, WithoutFramesTheIconStaysAndIsSetAgainAtTheEnd) {
    AddAsTheFrameDoes();
    m_Tray.StartAnimation(100, 30);
    const std::size_t nBefore = m_Area.Requests().size();
    Tick();
    EXPECT_EQ(m_Area.Requests().size(), nBefore);
    m_Now += 31s;
    Tick();
    ASSERT_EQ(m_Area.Requests().size(), nBefore + 1);
    EXPECT_EQ(m_Area.Requests().back().m_Data.m_hIcon, Icon(128));
}

TEST_F(SystemTrayTest, AnAnimationWithoutAnIconRestoresNothing) {
    m_Tray.LoadAnimationIcons(130, 133);
    m_Tray.StartAnimation(100, 30);
    Tick();
    EXPECT_TRUE(m_Tray.EndAnimation());
    EXPECT_TRUE(m_Area.Requests().empty());
}

TEST_F(SystemTrayTest, TheRealTimerTurnsTheIconUntilTheAnimationEnds) {
    AddAsTheFrameDoes();
    m_Tray.LoadAnimationIcons(130, 133);
    ASSERT_TRUE(m_Tray.StartAnimation(10, 0));

    QElapsedTimer waited;
    waited.start();
    while (m_Area.IconsShown().size() < 5 && waited.elapsed() < 30000)
        RunEventsFor(20);
    EXPECT_GE(m_Area.IconsShown().size(), 5u);

    ASSERT_TRUE(m_Tray.EndAnimation());
    const std::size_t nAtEnd = m_Area.IconsShown().size();
    RunEventsFor(100);
    EXPECT_EQ(m_Area.IconsShown().size(), nAtEnd);
    EXPECT_EQ(m_Area.ShownIcon(), Icon(128));
}

// ---- mouse on the icon ----

TEST_F(SystemTrayTest, ALeftClickSendsTheDefaultItemsCommand) {
    AddAsTheFrameDoes();
    EXPECT_EQ(m_Area.Click(platform::kLeftButtonUp), 1);
    EXPECT_EQ(m_Target.m_Commands, std::vector<unsigned>{kReport});

    // A double-click reaches the tray as two releases around a double-click message.
    m_Area.Click(platform::kLeftButtonUp);
    m_Area.Click(platform::kLeftButtonDoubleClick);
    m_Area.Click(platform::kLeftButtonUp);
    EXPECT_EQ(m_Target.m_Commands, (std::vector<unsigned>{kReport, kReport, kReport}));
}

TEST_F(SystemTrayTest, ADefaultItemByCommandIdIsSentAsItIs) {
    AddAsTheFrameDoes();
    EXPECT_TRUE(m_Tray.SetDefaultItem(kQuit, false));
    m_Area.Click(platform::kLeftButtonUp);
    EXPECT_EQ(m_Target.m_Commands, std::vector<unsigned>{kQuit});
}

TEST_F(SystemTrayTest, ADefaultPositionWithoutCommandSendsNothing) {
    AddAsTheFrameDoes();
    // A separator, the "Pause checks" submenu, a separator, past the end.
    for (const unsigned nPosition : {1u, 4u, 8u, 1000u}) {
        EXPECT_TRUE(m_Tray.SetDefaultItem(nPosition, true));
        EXPECT_EQ(m_Area.Click(platform::kLeftButtonUp), 1) << "position " << nPosition;
    }
    EXPECT_TRUE(m_Target.m_Commands.empty());
}

TEST_F(SystemTrayTest, CallbacksForAnotherIconOrMessageAreIgnored) {
    AddAsTheFrameDoes();
    EXPECT_EQ(m_Tray.OnTrayCallback(kTrayIconId + 1, platform::kLeftButtonUp), 0);
    EXPECT_EQ(m_Tray.OnTrayCallback(kTrayIconId + 1, platform::kRightButtonUp), 0);
    EXPECT_EQ(m_Tray.OnNotifyMessage(CSystemTray::WM_TRAY_CALLBACK + 1, kTrayIconId, platform::kLeftButtonUp),
              0);
    EXPECT_EQ(m_Tray.OnTrayCallback(kTrayIconId, platform::kMiddleButtonUp), 1);
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(m_Target.m_Commands.empty());
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(SystemTrayTest, WithoutItsMenuResourceTheIconOffersNoMenuAndNoDefault) {
    // The popup menu is the menu resource with the icon's id; there is none with id 131.
    ASSERT_TRUE(m_Tray.AddToTray(nullptr, CSystemTray::WM_TRAY_CALLBACK, kTip, Icon(128), 131));
    EXPECT_FALSE(m_Tray.SetDefaultItem(3, true));
    EXPECT_EQ(m_Area.Click(platform::kLeftButtonUp), 0);
    EXPECT_EQ(m_Area.Click(platform::kRightButtonUp), 0);
    EXPECT_TRUE(m_Target.m_Commands.empty());
}

TEST_F(SystemTrayTest, TheAreaGetsTheMenuWithReportAsDefaultAndItsChoiceReachesTheFrame) {
    AddAsTheFrameDoes();
    QStringList items;
    QStringList defaults;
    for (const platform::NotifyMenuItem& item : m_Area.Menu()) {
        items << (item.m_bSeparator ? QStringLiteral("-") : item.m_strText);
        if (item.m_bDefault)
            defaults << item.m_strText;
    }
    EXPECT_EQ(items,
              (QStringList{"About Corvane...", "-", "Report", "Check all now", "Pause checks",
                           "Watchdog settings", "Your names...", "Application settings", "-", "Quit"}));
    EXPECT_EQ(defaults, QStringList{"Report"}) << "the default moves with SetDefaultItem";
    EXPECT_EQ(m_Area.Menu()[4].m_SubItems,
              (std::vector<platform::NotifyMenuItem>{{"For 1 hour", 32791, false, false, {}},
                                                     {"For 4 hours", 32792, false, false, {}},
                                                     {"Until I resume", 32793, false, false, {}}}));

    // An adjustment changes the menu that the area shows from then on.
    m_Tray.SetMenuAdjustment([](PopupMenuData& popup) { popup.m_Items.resize(3); });
    m_Tray.RefreshMenu();
    EXPECT_EQ(m_Area.Menu().size(), 3u);

    m_Area.Choose(kQuit);
    EXPECT_EQ(m_Target.m_Commands, std::vector<unsigned>{kQuit});
    m_Tray.OnNotifyCommand(kTrayIconId + 1, kReport);
    EXPECT_EQ(m_Target.m_Commands, std::vector<unsigned>{kQuit}) << "a choice for another icon is ignored";
}

// Runs fnWithMenu on the popup menu once it is open, within half a minute.
void WhenThePopupOpens(std::function<void(QMenu&)> fnWithMenu) {
    auto* pPoll = new QTimer(qApp);
    QElapsedTimer waited;
    waited.start();
    QObject::connect(pPoll, &QTimer::timeout, pPoll, [pPoll, waited, fnWithMenu] {
        auto* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (pMenu == nullptr && waited.elapsed() < 30000)
            return;
        pPoll->stop();
        pPoll->deleteLater();
        if (pMenu != nullptr)
            fnWithMenu(*pMenu);
    });
    pPoll->start(10);
}

void PressKey(QMenu& menu, int iKey) {
    QKeyEvent press(QEvent::KeyPress, iKey, Qt::NoModifier);
    QCoreApplication::sendEvent(&menu, &press);
}

TEST_F(SystemTrayTest, ARightClickOpensTheMenuWithReportInBoldAndPostsTheChoice) {
    AddAsTheFrameDoes();
    QString strDefault;
    QStringList items;
    WhenThePopupOpens([&](QMenu& menu) {
        strDefault = menu.defaultAction() != nullptr ? menu.defaultAction()->text() : QString();
        for (QAction* pAction : menu.actions()) {
            items << (pAction->isSeparator() ? QStringLiteral("-") : pAction->text());
            if (pAction->text() == QStringLiteral("Watchdog settings"))
                menu.setActiveAction(pAction);
        }
        PressKey(menu, Qt::Key_Return);
    });

    EXPECT_EQ(m_Area.Click(platform::kRightButtonUp), 1);
    EXPECT_EQ(strDefault, QStringLiteral("Report"));
    EXPECT_EQ(items,
              (QStringList{"About Corvane...", "-", "Report", "Check all now", "Pause checks",
                           "Watchdog settings", "Your names...", "Application settings", "-", "Quit"}));
    EXPECT_TRUE(m_Target.m_Commands.empty()) << "the chosen command waits until the callback has returned";
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(m_Target.m_Commands, std::vector<unsigned>{kWatchdogSettings});
}

TEST_F(SystemTrayTest, ADismissedMenuSendsNothing) {
    AddAsTheFrameDoes();
    WhenThePopupOpens([](QMenu& menu) { PressKey(menu, Qt::Key_Escape); });
    EXPECT_EQ(m_Area.Click(platform::kRightButtonUp), 1);
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(m_Target.m_Commands.empty());
}

TEST_F(SystemTrayTest, AChoiceIsDroppedWhenTheTrayIsGoneBeforeItRuns) {
    CRecordingNotifyArea area;
    CRecordingCommandTarget target;
    {
        CSystemTray tray(area, target);
        ASSERT_TRUE(tray.AddToTray(nullptr, CSystemTray::WM_TRAY_CALLBACK, kTip, Icon(128), kTrayIconId));
        WhenThePopupOpens([](QMenu& menu) {
            menu.setActiveAction(menu.actions().constFirst());
            PressKey(menu, Qt::Key_Return);
        });
        EXPECT_EQ(area.Click(platform::kRightButtonUp), 1);
    }
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(target.m_Commands.empty());
}

} // namespace
