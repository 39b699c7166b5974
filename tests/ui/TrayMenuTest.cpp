#include "platform/CDesktopNotifications.h"
#include "platform/QtNotifyArea.h"
#include "ui/CTrayMenu.h"
#include "ui/MenuResource.h"
#include "ui/Resources.h"

#include <QAction>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <gtest/gtest.h>

using platform::IconHandle;

namespace {

PopupMenuData TrayPopup() {
    std::optional<MenuResource> menu = LoadMenuResource(130);
    if (!menu || menu->m_Popups.empty())
        return {};
    return menu->m_Popups.front();
}

// ---- menu data ----

TEST(MenuResourceTest, MalformedMenuDataIsRefused) {
    const char* const documents[] = {
        "",
        "{ \"popups\": [",
        "[]",
        "{}",
        "{ \"popups\": {} }",
        "{ \"popups\": [ { \"items\": [] } ] }",
        "{ \"popups\": [ { \"title\": \"P\", \"items\": [ { \"text\": \"Report\" } ] } ] }",
        "{ \"popups\": [ { \"title\": \"P\", \"items\": [ { \"command\": 32776 } ] } ] }",
        "{ \"popups\": [ { \"title\": \"P\", \"items\": [ { \"text\": \"\", \"command\": 32776 } ] } ] }",
        "{ \"popups\": [ { \"title\": \"P\", \"items\": [ { \"text\": \"R\", \"command\": 0 } ] } ] }",
        "{ \"popups\": [ { \"title\": \"P\", \"items\": [ { \"text\": \"R\", \"command\": -2 } ] } ] }",
        "{ \"popups\": [ { \"title\": \"P\", \"items\": [ { \"text\": \"R\", \"command\": 65536 } ] } ] }",
        "{ \"popups\": [ { \"title\": \"P\", \"items\": [ { \"text\": \"R\", \"command\": \"1\" } ] } ] }",
        "{ \"popups\": [ { \"title\": \"P\", \"items\": [ 7 ] } ] }",
        "{ \"popups\": [ { \"title\": \"P\", \"items\": [ { \"separator\": false } ] } ] }",
        "{ \"popups\": [ { \"title\": \"P\", \"items\": [ { \"items\": [] } ] } ] }",
        "{ \"popups\": [ { \"title\": \"P\", \"items\": [ { \"text\": \"S\", \"items\": [ 7 ] } ] } ] }",
    };
    for (const char* document : documents)
        EXPECT_FALSE(ParseMenuResource(QByteArray(document)).has_value()) << document;
}

TEST(MenuResourceTest, ItemsKeepTheirOrderSeparatorsAndCommandIds) {
    const auto menu = ParseMenuResource(R"({ "popups": [
        { "title": "First", "items": [ { "text": "A&bout", "command": 65535 }, { "separator": true } ] },
        { "title": "Second", "items": [] } ] })");
    ASSERT_TRUE(menu.has_value());
    ASSERT_EQ(menu->m_Popups.size(), 2u);
    const PopupMenuData& first = menu->m_Popups[0];
    EXPECT_EQ(first.m_strTitle, QStringLiteral("First"));
    ASSERT_EQ(first.m_Items.size(), 2u);
    EXPECT_EQ(first.m_Items[0].m_strText, QStringLiteral("A&bout"));
    EXPECT_EQ(first.m_Items[0].m_nCommandId, 65535u);
    EXPECT_FALSE(first.m_Items[0].m_bSeparator);
    EXPECT_TRUE(first.m_Items[1].m_bSeparator);
    EXPECT_TRUE(menu->m_Popups[1].m_Items.empty());
}

TEST(MenuResourceTest, TheTrayMenuIsPartOfTheProgram) {
    const PopupMenuData popup = TrayPopup();
    EXPECT_EQ(popup.m_strTitle, QStringLiteral("POPUP"));
    // The system's items keep their texts, ids and order; the new ones come between them. The
    // submenu has no command id of its own.
    const std::vector<std::pair<QString, unsigned>> expected = {{"About Corvane...", 57664},
                                                                {"", 0},
                                                                {"Report", 32776},
                                                                {"Check all now", 32790},
                                                                {"Pause checks", 0},
                                                                {"Watchdog settings", 32774},
                                                                {"Your names...", 32795},
                                                                {"Application settings", 32775},
                                                                {"", 0},
                                                                {"Quit", 57665}};
    ASSERT_EQ(popup.m_Items.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(popup.m_Items[i].m_bSeparator, expected[i].first.isEmpty()) << "position " << i;
        EXPECT_EQ(popup.m_Items[i].m_strText, expected[i].first) << "position " << i;
        EXPECT_EQ(popup.m_Items[i].m_nCommandId, expected[i].second) << "position " << i;
    }
    QStringList pauses;
    for (const MenuItemData& item : popup.m_Items[4].m_SubItems)
        pauses << QStringLiteral("%1 %2").arg(item.m_strText).arg(item.m_nCommandId);
    EXPECT_EQ(pauses, (QStringList{"For 1 hour 32791", "For 4 hours 32792", "Until I resume 32793"}));
    EXPECT_FALSE(LoadMenuResource(131).has_value());
}

// ---- the popup built from it ----

TEST(TrayMenuTest, TheDefaultItemIsFoundByPositionOrByCommand) {
    const PopupMenuData popup = TrayPopup();
    CTrayMenu byPosition(popup, 2, true);
    ASSERT_NE(byPosition.Menu().defaultAction(), nullptr);
    EXPECT_EQ(byPosition.Menu().defaultAction()->text(), QStringLiteral("Report"));

    CTrayMenu byCommand(popup, 32775, false);
    ASSERT_NE(byCommand.Menu().defaultAction(), nullptr);
    EXPECT_EQ(byCommand.Menu().defaultAction()->text(), QStringLiteral("Application settings"));

    // Position 2 read as a command id, a separator, and positions past the end name no item.
    EXPECT_EQ(CTrayMenu(popup, 2, false).Menu().defaultAction(), nullptr);
    EXPECT_EQ(CTrayMenu(popup, 1, true).Menu().defaultAction(), nullptr);
    EXPECT_EQ(CTrayMenu(popup, 10, true).Menu().defaultAction(), nullptr);
}

TEST(TrayMenuTest, EveryActionCarriesItsCommandId) {
    CTrayMenu menu(TrayPopup(), 2, true);
    const QList<QAction*> actions = menu.Menu().actions();
    ASSERT_EQ(actions.size(), 10);
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_TRUE(actions[8]->isSeparator());
    EXPECT_EQ(actions[0]->data().toUInt(), 57664u);
    EXPECT_EQ(actions[3]->data().toUInt(), 32790u);
    EXPECT_EQ(actions[6]->data().toUInt(), 32795u);
    EXPECT_EQ(actions[7]->data().toUInt(), 32775u);
    EXPECT_EQ(actions[9]->data().toUInt(), 57665u);
    // A choice in the submenu reaches the menu's own signal, which the notification area listens to.
    ASSERT_NE(actions[4]->menu(), nullptr);
    const QList<QAction*> pauses = actions[4]->menu()->actions();
    ASSERT_EQ(pauses.size(), 3);
    unsigned nChosen = 0;
    QObject::connect(&menu.Menu(), &QMenu::triggered,
                     [&nChosen](QAction* pAction) { nChosen = pAction->data().toUInt(); });
    pauses[2]->trigger();
    EXPECT_EQ(nChosen, 32793u);

    // Refilled, as the pause changes it: the old submenu goes.
    platform::FillMenu(menu.Menu(), {{"Resume checks", 32794, false, false, {}}});
    EXPECT_EQ(menu.Menu().actions().size(), 1);
    EXPECT_TRUE(menu.Menu().findChildren<QMenu*>().isEmpty());
}

// ---- icons ----

TEST(IconResourceTest, TheTrayIconsAreSixteenPixelsWithATransparentBackground) {
    for (const unsigned uId : {128u, 129u, 130u, 131u, 132u, 133u}) {
        const IconHandle hIcon = LoadIconResource(uId);
        ASSERT_EQ(hIcon, IconHandle::FromResource(uId));
        const QImage image(platform::IconResourcePath(uId));
        ASSERT_FALSE(image.isNull()) << uId;
        EXPECT_EQ(image.size(), QSize(16, 16)) << uId;
        EXPECT_TRUE(image.hasAlphaChannel()) << uId;
        EXPECT_EQ(qAlpha(image.pixel(0, 15)), 0) << uId;
        for (const int iSize : platform::kExtraIconSizes) {
            const QImage larger(platform::IconResourcePath(uId, iSize));
            EXPECT_EQ(larger.size(), QSize(iSize, iSize)) << uId << " at " << iSize;
            EXPECT_EQ(qAlpha(larger.pixel(0, iSize - 1)), 0) << uId << " at " << iSize;
        }
    }
    EXPECT_TRUE(LoadIconResource(134).IsNull());
    EXPECT_TRUE(LoadIconResource(0).IsNull());
}

TEST(IconResourceTest, TheFramesAreTurnedSquaresInBlack) {
    // An upright square fills the middle of its top edge; one turned by 45 degrees leaves it empty
    // and reaches the icon's top instead.
    const QImage upright(platform::IconResourcePath(130));
    const QImage diamond(platform::IconResourcePath(132));
    EXPECT_EQ(upright.pixel(8, 3), qRgba(0, 0, 0, 255));
    EXPECT_EQ(qAlpha(upright.pixel(8, 1)), 0);
    EXPECT_EQ(qAlpha(diamond.pixel(3, 3)), 0);
    EXPECT_GT(qAlpha(diamond.pixel(8, 1)), 128);
    EXPECT_NE(QImage(platform::IconResourcePath(131)), QImage(platform::IconResourcePath(133)))
        << "22 and 67 degrees are mirror images, not the same frame";
}

// ---- the Qt notification area ----

TEST(QtNotifyAreaTest, WithoutATrayNothingCanBeAdded) {
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()) << "the offscreen platform has no tray";
    platform::CQtNotifyArea area;
    platform::NotifyIconData data;
    data.m_uID = 130;
    data.m_uFlags = platform::kNotifyFlagMessage | platform::kNotifyFlagIcon | platform::kNotifyFlagTip;
    data.m_hIcon = IconHandle::FromResource(128);
    EXPECT_FALSE(area.Add(data));
    data.m_uFlags = platform::kNotifyFlagIcon;
    EXPECT_FALSE(area.Modify(data));
    EXPECT_FALSE(area.Delete(data));
    EXPECT_FALSE(area.SetMenu(data, {platform::NotifyMenuItem{QStringLiteral("Quit"), 57665}}));
}

TEST(DesktopNotificationsTest, TheTextIsShownAsTyped) {
    using platform::CDesktopNotifications;
    const QString strText = QStringLiteral("Message from <b>x</b> & co:\nwc was modified.");
    EXPECT_EQ(CDesktopNotifications::PlainBody(strText, true),
              QStringLiteral("Message from &lt;b&gt;x&lt;/b&gt; &amp; co:\nwc was modified."))
        << "a server that reads markup";
    EXPECT_EQ(CDesktopNotifications::PlainBody(strText, false), strText)
        << "a server that shows text as it is";
}

TEST(QtNotifyAreaTest, HandlesBecomeTheirImages) {
    const QList<QSize> sizes =
        platform::CQtNotifyArea::IconImage(IconHandle::FromResource(130)).availableSizes();
    EXPECT_EQ(sizes, (QList<QSize>{{16, 16}, {22, 22}, {24, 24}, {32, 32}, {44, 44}, {48, 48}}))
        << "one icon with every size drawn, for every panel size and density";
    EXPECT_FALSE(platform::CQtNotifyArea::IconImage(IconHandle::FromResource(128)).pixmap(16, 16).isNull());
    EXPECT_FALSE(platform::CQtNotifyArea::IconImage(IconHandle::StockQuestion()).pixmap(16, 16).isNull());
    EXPECT_TRUE(platform::CQtNotifyArea::IconImage(IconHandle()).isNull());
}

} // namespace
