#include "CRecordingUpdateLauncher.h"
#include "settings/CConfigWatchdog.h"
#include "ui/CAboutDlg.h"
#include "ui/CDialogTemplate.h"
#include "ui/CReportDlg.h"
#include "ui/CWatchdogDlg.h"
#include "ui/SettingsDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

TEST(DialogTemplateTest, EightPointDialogFontUnits) {
    const CDialogTemplate layout(6, 13);
    EXPECT_EQ(layout.ToPixelsX(394), 591);
    EXPECT_EQ(layout.ToPixelsY(220), 357);
    // Edges are converted, not sizes: 199 + 14 units end at pixel 346.
    EXPECT_EQ(layout.ToPixels(172, 199, 50, 14), QRect(258, 323, 75, 23));
}

TEST(DialogTemplateTest, NeighbouringControlsNeitherOverlapNorLeaveGaps) {
    const CDialogTemplate layout(7, 15);
    // 1, 3 and 5 units do not map to whole pixels; the shared edge must still be one pixel line.
    const QRect upper = layout.ToPixels(3, 1, 5, 3);
    const QRect lower = layout.ToPixels(3, 4, 5, 3);
    EXPECT_EQ(upper.bottom() + 1, lower.top());
    const QRect right = layout.ToPixels(8, 1, 5, 3);
    EXPECT_EQ(upper.right() + 1, right.left());
}

TEST(DialogTemplateTest, UnitsFollowTheDialogFont) {
    QFont small;
    small.setPixelSize(11);
    QFont large = small;
    large.setPixelSize(22);
    const CDialogTemplate smallLayout(small);
    const CDialogTemplate largeLayout(large);
    EXPECT_GT(smallLayout.ToPixelsX(100), 0);
    EXPECT_GT(largeLayout.ToPixelsX(100), smallLayout.ToPixelsX(100) * 3 / 2);
    EXPECT_GT(largeLayout.ToPixelsY(100), smallLayout.ToPixelsY(100) * 3 / 2);
}

TEST(DialogTemplateTest, WideFontsStillFitTheTemplateTexts) {
    QFont font;
    font.setPixelSize(13);
    const QString strText = QStringLiteral("WWWW MMMM WWWW MMMM");
    const CDialogTemplate measured(font);
    const CDialogTemplate fitted(font, {{strText, 40}, {QStringLiteral("short"), 40}});
    const int iNeeded = QFontMetrics(font).horizontalAdvance(strText);
    ASSERT_LT(measured.ToPixels(3, 0, 40, 8).width(), iNeeded);
    for (int x = 0; x < 8; ++x) {
        EXPECT_GE(fitted.ToPixels(x, 0, 40, 8).width(), iNeeded) << x;
    }
    EXPECT_EQ(fitted.ToPixelsY(80), measured.ToPixelsY(80));
}

// Under the system's font and under a large one: a text whose box is lower or narrower than the text
// is cut.
TEST(DialogTemplateTest, EveryDialogShowsItsTextsWhole) {
    const QFont systemFont = QApplication::font();
    QFont largeFont = systemFont;
    largeFont.setPixelSize(29);
    for (const QFont& font : {systemFont, largeFont}) {
        QApplication::setFont(font);
        CConfigWatchdog watchdog(QStringLiteral("/nonexistent/pathlist.ini"));
        CRecordingUpdateLauncher launcher;
        CReportDlg report(watchdog, launcher, launcher);
        CWatchdogDlg watchList(watchdog);
        SettingsDlg settings;
        std::unique_ptr<CAboutDlg> about(NewAboutDialog());
        about->show();
        const std::string strFont = std::to_string(QFontInfo(font).pixelSize()) + " px: ";
        for (QDialog* dialog : std::initializer_list<QDialog*>{&report, &watchList, &settings, about.get()}) {
            for (QLabel* label : dialog->findChildren<QLabel*>()) {
                if (!label->text().isEmpty()) {
                    EXPECT_GE(label->width(), label->sizeHint().width())
                        << strFont << label->text().toStdString();
                    EXPECT_GE(label->height(), label->sizeHint().height())
                        << strFont << label->text().toStdString();
                }
            }
            for (QCheckBox* checkBox : dialog->findChildren<QCheckBox*>()) {
                EXPECT_GE(checkBox->width(), checkBox->sizeHint().width())
                    << strFont << checkBox->text().toStdString();
            }
            for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
                const QString strText = QString(button->text()).remove(QLatin1Char('&'));
                EXPECT_GT(button->width(), button->fontMetrics().horizontalAdvance(strText))
                    << strFont << strText.toStdString();
            }
        }
    }
    QApplication::setFont(systemFont);
}

TEST(DialogTemplateTest, DialogGetsAFixedClientAreaAndControlsTheirIds) {
    const CDialogTemplate layout(6, 13);
    QDialog dialog;
    layout.SetUpDialog(dialog, QStringLiteral("Caption"), 100, 40);
    auto* button = new QPushButton(&dialog);
    auto* text = new QLabel(&dialog);
    layout.PlaceControl(*text, -1, 0, 0, 10, 8);
    layout.PlaceControl(*button, 1, 20, 20, 50, 14);

    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Caption"));
    EXPECT_EQ(dialog.minimumSize(), QSize(150, 65));
    EXPECT_EQ(dialog.maximumSize(), QSize(150, 65));
    EXPECT_EQ(CDialogTemplate::FindControl(dialog, 1), button);
    EXPECT_EQ(CDialogTemplate::Control<QPushButton>(dialog, 1), button);
    EXPECT_EQ(CDialogTemplate::Control<QLabel>(dialog, 1), nullptr);
    EXPECT_EQ(CDialogTemplate::FindControl(dialog, 1001), nullptr);
}

} // namespace
