#include "ui/CTaskbarNotifier.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QRgb kFace = qRgb(200, 220, 250);
const QRgb kTransparent = qRgb(255, 0, 255);

// Counts the paint events a widget receives.
class PaintCounter final : public QObject {
public:
    int m_iPaints = 0;

protected:
    bool eventFilter(QObject*, QEvent* pEvent) override {
        if (pEvent->type() == QEvent::Paint)
            ++m_iPaints;
        return false;
    }
};

// An owner that counts the click events posted to it.
class ClickRecorder final : public QObject {
public:
    int m_iClicks = 0;

protected:
    void customEvent(QEvent* pEvent) override {
        if (pEvent->type() == CTaskbarNotifier::WM_NOTIFIER_CLICKED)
            ++m_iClicks;
    }
};

QImage FilledImage(int cx, int cy, QRgb colour) {
    QImage image(cx, cy, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A 150 x 12 skin with transparent pixels at the corners, inside, and in the two columns past 148,
// and a near miss of the transparent colour in each channel.
QImage SkinWithHoles() {
    QImage image = FilledImage(150, 12, kFace);
    for (const QPoint& hole : {QPoint(0, 0), QPoint(147, 11), QPoint(5, 3), QPoint(6, 3), QPoint(7, 3),
                               QPoint(60, 7), QPoint(148, 2), QPoint(149, 9)})
        image.setPixel(hole, kTransparent);
    image.setPixel(20, 5, qRgb(254, 0, 255));
    image.setPixel(21, 5, qRgb(255, 1, 255));
    image.setPixel(22, 5, qRgb(255, 0, 254));
    return image;
}

void SendMouseRelease(QWidget& widget, Qt::MouseButton button) {
    const QPointF local(10, 10);
    QMouseEvent release(QEvent::MouseButtonRelease, local, widget.mapToGlobal(local), button, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &release);
}

void SendEnter(QWidget& widget) {
    const QPointF local(10, 10);
    QEnterEvent enter(local, local, widget.mapToGlobal(local));
    QCoreApplication::sendEvent(&widget, &enter);
}

void SendLeave(QWidget& widget) {
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&widget, &leave);
}

// Ticks one timer until the slide state leaves the given one; gives the number of ticks.
int TickWhile(CTaskbarNotifier& notifier, int iTimerId, CTaskbarNotifier::SlideState nWhile) {
    int iTicks = 0;
    do {
        notifier.OnTimer(iTimerId);
        ++iTicks;
    } while (notifier.GetSlideState() == nWhile && iTicks < 1000);
    return iTicks;
}

} // namespace

TEST(SkinShapeTest, TheWindowLosesExactlyTheTransparentPixelsWithinTheWidthRoundedDownToFour) {
    const QImage skin = SkinWithHoles();
    CTaskbarNotifier notifier;
    ASSERT_TRUE(notifier.SetSkin(skin, qRed(kTransparent), qGreen(kTransparent), qBlue(kTransparent)));
    for (int y = 0; y < skin.height(); ++y)
        for (int x = 0; x < skin.width(); ++x)
            EXPECT_EQ(notifier.mask().contains(QPoint(x, y)), x < 148 && skin.pixel(x, y) != kTransparent)
                << "pixel " << x << "," << y;
    // Only the low 8 bits of each value take part.
    EXPECT_EQ(CTaskbarNotifier::BuildSkinRegion(skin, 255 + 256, 256, 255), notifier.mask());
}

TEST(SkinShapeTest, AColourThatOccursNowhereGivesTheRoundedRectangle) {
    EXPECT_EQ(CTaskbarNotifier::BuildSkinRegion(FilledImage(150, 30, kFace), 1, 2, 3),
              QRegion(0, 0, 148, 30));
}

TEST(SkinShapeTest, AnyOneChannelSetToNoneGivesTheFullRectangleAlsoAfterAShapedSkin) {
    const int none = CTaskbarNotifier::NO_TRANSPARENT_COLOUR;
    for (const auto& [red, green, blue] : {std::tuple(none, 0, 255), std::tuple(255, none, 255),
                                           std::tuple(255, 0, none), std::tuple(255, 0, 0xFFFF)}) {
        CTaskbarNotifier notifier;
        ASSERT_TRUE(notifier.SetSkin(SkinWithHoles(), 255, 0, 255));
        ASSERT_TRUE(notifier.SetSkin(SkinWithHoles(), red, green, blue));
        EXPECT_TRUE(notifier.mask().isEmpty()) << red << " " << green << " " << blue;
        ASSERT_TRUE(notifier.ShowPopup(QStringLiteral("x"), CTaskbarNotifier::EdgeBottom, 40, 700, 1000, 10));
        EXPECT_EQ(notifier.geometry().size(), QSize(150, 12));
    }
}

TEST(SkinShapeTest, TheFramesSkinIsA148By120PanelFromLightBlueToWhite) {
    CTaskbarNotifier notifier;
    ASSERT_TRUE(notifier.LoadSkin(CTaskbarNotifier::SKIN_BITMAP_ID, -1, -1, -1));
    EXPECT_EQ(notifier.GetSkinSize(), QSize(148, 120));
    const QImage skin = notifier.grab().toImage();
    EXPECT_GT(skin.pixelColor(74, 10).blue(), skin.pixelColor(74, 10).red() + 30) << "light blue at the top";
    EXPECT_GE(skin.pixelColor(74, 110).lightness(), 250) << "white at the bottom";
}

TEST(SkinShapeTest, AMissingBitmapFailsAndKeepsTheSkinThatWasThere) {
    CTaskbarNotifier notifier;
    ASSERT_TRUE(notifier.SetSkin(SkinWithHoles(), 255, 0, 255));
    const QRegion shape = notifier.mask();
    EXPECT_FALSE(notifier.LoadSkin(9999, -1, -1, -1));
    EXPECT_EQ(notifier.GetSkinSize(), QSize(150, 12));
    EXPECT_EQ(notifier.mask(), shape);
    EXPECT_TRUE(notifier.ShowPopup(QStringLiteral("x"), CTaskbarNotifier::EdgeTop, 0, -12, 10, 10));
}

TEST(SetUpTest, TheFramesSetUpGivesAHiddenNonActivatingPopupThatRefusesToShowWithoutEdge) {
    QObject owner;
    CTaskbarNotifier notifier;
    EXPECT_FALSE(notifier.ShowPopup(QStringLiteral("x"), CTaskbarNotifier::EdgeBottom, 0, 700, 10, 10))
        << "no skin yet";
    EXPECT_TRUE(notifier.SetUpDefault(&owner));
    EXPECT_FALSE(notifier.CreatePopup(&owner)) << "a popup is created once";
    EXPECT_FALSE(notifier.isVisible());
    EXPECT_TRUE(notifier.testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(notifier.windowFlags().testFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint));
    EXPECT_EQ(notifier.windowType(), Qt::Tool);
    EXPECT_EQ(notifier.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_FALSE(notifier.ShowPopup(QStringLiteral("x"), CTaskbarNotifier::EdgeNone, 0, 700, 10, 10));
    EXPECT_FALSE(notifier.isVisible());
    EXPECT_FALSE(notifier.IsTimerRunning(CTaskbarNotifier::TIMER_APPEAR));
}

class SlideTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_Notifier.CreatePopup(&m_Owner);
        m_Notifier.SetSkin(FilledImage(148, 120, kFace), -1, -1, -1);
    }

    void Show(CTaskbarNotifier::TaskbarEdge nEdge, int x, int y) {
        ASSERT_TRUE(m_Notifier.ShowPopup(QStringLiteral("Message"), nEdge, x, y, 5000, 10));
    }

    QObject m_Owner;
    CTaskbarNotifier m_Notifier;
};

TEST_F(SlideTest, ABottomEdgeSlideTakesSixtyMovesEachWayPlusOneToNoticeTheEnd) {
    Show(CTaskbarNotifier::EdgeBottom, 300, 700);
    EXPECT_TRUE(m_Notifier.isVisible());
    EXPECT_EQ(m_Notifier.geometry(), QRect(300, 700, 148, 120));

    EXPECT_EQ(TickWhile(m_Notifier, CTaskbarNotifier::TIMER_APPEAR, CTaskbarNotifier::SlideAppearing), 61);
    EXPECT_EQ(m_Notifier.GetSlideState(), CTaskbarNotifier::SlideStaying);
    EXPECT_EQ(m_Notifier.geometry(), QRect(300, 580, 148, 120));
    EXPECT_FALSE(m_Notifier.IsTimerRunning(CTaskbarNotifier::TIMER_APPEAR));
    EXPECT_TRUE(m_Notifier.IsTimerRunning(CTaskbarNotifier::TIMER_STAY));

    m_Notifier.OnTimer(CTaskbarNotifier::TIMER_STAY);
    EXPECT_EQ(m_Notifier.GetSlideState(), CTaskbarNotifier::SlideStaying) << "until the first hiding tick";
    EXPECT_FALSE(m_Notifier.IsTimerRunning(CTaskbarNotifier::TIMER_STAY));
    EXPECT_TRUE(m_Notifier.IsTimerRunning(CTaskbarNotifier::TIMER_HIDE));
    EXPECT_EQ(m_Notifier.geometry().topLeft(), QPoint(300, 580));

    m_Notifier.OnTimer(CTaskbarNotifier::TIMER_HIDE);
    EXPECT_EQ(m_Notifier.geometry().topLeft(), QPoint(300, 582));
    EXPECT_EQ(TickWhile(m_Notifier, CTaskbarNotifier::TIMER_HIDE, CTaskbarNotifier::SlideHiding), 60);
    EXPECT_EQ(m_Notifier.GetSlideState(), CTaskbarNotifier::SlideIdle);
    EXPECT_FALSE(m_Notifier.isVisible());
    EXPECT_FALSE(m_Notifier.IsTimerRunning(CTaskbarNotifier::TIMER_HIDE));
    EXPECT_EQ(m_Notifier.geometry(), QRect(300, 700, 148, 120)) << "placed back with its size";
}

TEST_F(SlideTest, EachEdgeTravelsThePopupsOwnSizeOutwardsAndBack) {
    struct Case {
        CTaskbarNotifier::TaskbarEdge nEdge;
        QPoint hidden;
        QPoint shown;
        int iTicks;
    };
    for (const Case& slide : {Case{CTaskbarNotifier::EdgeTop, {500, -120}, {500, 0}, 61},
                              Case{CTaskbarNotifier::EdgeLeft, {-148, 200}, {0, 200}, 75},
                              Case{CTaskbarNotifier::EdgeRight, {1024, 200}, {876, 200}, 75}}) {
        Show(slide.nEdge, slide.hidden.x(), slide.hidden.y());
        EXPECT_EQ(TickWhile(m_Notifier, CTaskbarNotifier::TIMER_APPEAR, CTaskbarNotifier::SlideAppearing),
                  slide.iTicks);
        EXPECT_EQ(m_Notifier.geometry().topLeft(), slide.shown) << "edge " << slide.nEdge;
        m_Notifier.OnTimer(CTaskbarNotifier::TIMER_STAY);
        EXPECT_EQ(TickWhile(m_Notifier, CTaskbarNotifier::TIMER_HIDE, CTaskbarNotifier::SlideHiding),
                  slide.iTicks);
        EXPECT_EQ(m_Notifier.geometry().topLeft(), slide.hidden) << "edge " << slide.nEdge;
        EXPECT_FALSE(m_Notifier.isVisible());
    }
}

TEST_F(SlideTest, HidePopupKillsTheRunningTimerAndHidesAtOnceInEveryPhase) {
    // Before the first tick, while staying, and after the stay has handed over to hiding.
    for (int iStayTicks : {-1, 0, 1}) {
        Show(CTaskbarNotifier::EdgeBottom, 300, 700);
        if (iStayTicks >= 0)
            TickWhile(m_Notifier, CTaskbarNotifier::TIMER_APPEAR, CTaskbarNotifier::SlideAppearing);
        if (iStayTicks == 1)
            m_Notifier.OnTimer(CTaskbarNotifier::TIMER_STAY);
        m_Notifier.HidePopup();
        for (int iTimerId :
             {CTaskbarNotifier::TIMER_APPEAR, CTaskbarNotifier::TIMER_STAY, CTaskbarNotifier::TIMER_HIDE})
            EXPECT_FALSE(m_Notifier.IsTimerRunning(iTimerId))
                << "timer " << iTimerId << " phase " << iStayTicks;
        EXPECT_FALSE(m_Notifier.isVisible());
        EXPECT_EQ(m_Notifier.GetSlideState(), CTaskbarNotifier::SlideIdle);
    }
}

TEST_F(SlideTest, RealTimersDriveTheWholeSlide) {
    ASSERT_TRUE(
        m_Notifier.ShowPopup(QStringLiteral("Message"), CTaskbarNotifier::EdgeBottom, 300, 700, 20, 1));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return m_Notifier.GetSlideState() == CTaskbarNotifier::SlideHiding; }, 30000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !m_Notifier.isVisible(); }, 30000));
    EXPECT_FALSE(m_Notifier.IsTimerRunning(CTaskbarNotifier::TIMER_HIDE));
}

class MouseTest : public SlideTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_Notifier.SetUpDefault(&m_Owner));
        ASSERT_TRUE(m_Notifier.ShowPopup(QStringLiteral("Message from host: a folder was modified."),
                                         CTaskbarNotifier::EdgeBottom, 100, 400, 5000, 10));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_Notifier));
        m_Notifier.installEventFilter(&m_Paints);
    }

    PaintCounter m_Paints;
};

TEST_F(MouseTest, HoverAndLeaveRedrawOncePerChange) {
    SendEnter(m_Notifier);
    EXPECT_EQ(m_Paints.m_iPaints, 1);
    SendEnter(m_Notifier);
    EXPECT_EQ(m_Paints.m_iPaints, 1) << "a second hover report changes nothing";
    SendLeave(m_Notifier);
    EXPECT_EQ(m_Paints.m_iPaints, 2);
    SendLeave(m_Notifier);
    EXPECT_EQ(m_Paints.m_iPaints, 2);
}

TEST_F(MouseTest, HoverShowsTheTextUnderlinedInTheHoverColour) {
    // Pixels of the hover blue, and the longest horizontal run of them: only an underline makes a long one.
    struct Blue {
        int iPixels = 0;
        int iLongestRun = 0;
    };
    const auto findBlue = [](const QImage& image) {
        Blue blue;
        for (int y = 40; y < 95; ++y) {
            int iRun = 0;
            for (int x = 10; x < 138; ++x) {
                const QColor colour = image.pixelColor(x, y);
                const bool bBlue = colour.blue() > 150 && colour.red() < 120 && colour.green() < 120;
                blue.iPixels += bBlue;
                iRun = bBlue ? iRun + 1 : 0;
                blue.iLongestRun = std::max(blue.iLongestRun, iRun);
            }
        }
        return blue;
    };
    const QImage normal = m_Notifier.grab().toImage();
    SendEnter(m_Notifier);
    const Blue hovered = findBlue(m_Notifier.grab().toImage());
    EXPECT_EQ(findBlue(normal).iPixels, 0);
    EXPECT_GT(hovered.iPixels, 0);
    EXPECT_GT(hovered.iLongestRun, 30);
    SendLeave(m_Notifier);
    EXPECT_EQ(m_Notifier.grab().toImage(), normal);
}

TEST_F(MouseTest, ALeftClickIsPostedToTheOwnerAndLeavesThePopupShown) {
    ClickRecorder owner;
    CTaskbarNotifier notifier;
    ASSERT_TRUE(notifier.SetUpDefault(&owner));
    ASSERT_TRUE(notifier.ShowPopup(QStringLiteral("x"), CTaskbarNotifier::EdgeBottom, 100, 400, 5000, 10));
    SendMouseRelease(notifier, Qt::RightButton);
    SendMouseRelease(notifier, Qt::LeftButton);
    EXPECT_EQ(owner.m_iClicks, 0) << "posted, not sent";
    QCoreApplication::sendPostedEvents(&owner);
    EXPECT_EQ(owner.m_iClicks, 1);
    EXPECT_TRUE(notifier.isVisible());
}

TEST(FitTextTest, ALongTextWrapsAtWordsAndEndsWithAnEllipsisWhereItNoLongerFits) {
    const QFont font(QStringLiteral("Arial"), 7);
    const QFontMetrics metrics(font);
    QString strText;
    for (int i = 0; i < 60; ++i)
        strText += QStringLiteral("word%1 ").arg(i);
    const QSize area(128, 55);

    const QStringList lines = CTaskbarNotifier::FitText(strText, font, area);
    ASSERT_GE(lines.size(), 2);
    EXPECT_LE(lines.size() * metrics.lineSpacing(), area.height());
    EXPECT_TRUE(lines.last().endsWith(QChar(0x2026))) << lines.last().toStdString();
    for (const QString& strLine : lines)
        EXPECT_LE(metrics.horizontalAdvance(strLine), area.width()) << strLine.toStdString();
    for (const QString& strLine : lines.mid(0, lines.size() - 1))
        for (const QString& strWord : strLine.split(QLatin1Char(' ')))
            EXPECT_TRUE(strText.contains(strWord + QLatin1Char(' ')))
                << "broken word " << strWord.toStdString();
}

TEST(FitTextTest, AShortTextStaysWholeANewlineBreaksAndALowAreaShowsOneElidedLine) {
    const QFont font(QStringLiteral("Arial"), 7);
    EXPECT_EQ(CTaskbarNotifier::FitText(QStringLiteral("All up to date"), font, QSize(128, 55)),
              QStringList{QStringLiteral("All up to date")});
    EXPECT_EQ(CTaskbarNotifier::FitText(QStringLiteral("Message from host:\nfolder"), font, QSize(128, 55)),
              (QStringList{QStringLiteral("Message from host:"), QStringLiteral("folder")}));
    const QStringList lines =
        CTaskbarNotifier::FitText(QStringLiteral("one two three four five six seven"), font, QSize(60, 2));
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines.first().endsWith(QChar(0x2026)));
}

int main(int argc, char** argv) {
    // Test discovery runs this program outside the test environment, where no display may exist.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
