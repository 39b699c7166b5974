#include "ui/CAboutDlg.h"
#include "ui/CDialogTemplate.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct AboutSeen {
    bool bShown = false;
    QString strTitle;
    QString strRevision;
    QString strBuildDate;
    bool bReadOnly = false;
    bool bHasIcon = false;
};

// Runs the About command; while its box is up, notes what it shows and then closes it with the
// given action. The command returning at all shows the action closed the box.
AboutSeen RunAndClose(const std::function<void(QDialog&)>& close) {
    AboutSeen seen;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        seen.bShown = true;
        seen.strTitle = dialog->windowTitle();
        auto* revision = CDialogTemplate::Control<QLineEdit>(*dialog, CAboutDlg::IDC_EDIT_REVISION);
        auto* buildDate = CDialogTemplate::Control<QLineEdit>(*dialog, CAboutDlg::IDC_EDIT_BUILD_DATE);
        seen.strRevision = revision->text();
        seen.strBuildDate = buildDate->text();
        seen.bReadOnly = revision->isReadOnly() && buildDate->isReadOnly();
        for (QLabel* label : dialog->findChildren<QLabel*>()) {
            seen.bHasIcon = seen.bHasIcon || !label->pixmap().isNull();
        }
        close(*dialog);
    });
    RunAboutDialog();
    return seen;
}

TEST(AboutDlgTest, ShowsRevisionAndBuildDateReadOnly) {
    const AboutSeen seen = RunAndClose([](QDialog& dialog) {
        QTest::mouseClick(CDialogTemplate::Control<QPushButton>(dialog, 1), Qt::LeftButton);
    });
    ASSERT_TRUE(seen.bShown);
    EXPECT_EQ(seen.strTitle, QStringLiteral("About Corvane"));
    EXPECT_EQ(seen.strRevision, QStringLiteral("Corvane Revision 100"));
    EXPECT_EQ(seen.strBuildDate, QStringLiteral("2008/02/19 15:03:47"));
    EXPECT_TRUE(seen.bReadOnly);
    EXPECT_TRUE(seen.bHasIcon);
}

TEST(AboutDlgTest, EnterOnTheTextsAndEscapeCloseIt) {
    const AboutSeen byEnter = RunAndClose([](QDialog& dialog) {
        auto* revision = CDialogTemplate::Control<QLineEdit>(dialog, CAboutDlg::IDC_EDIT_REVISION);
        revision->setFocus();
        QTest::keyClick(revision, Qt::Key_Return);
    });
    EXPECT_TRUE(byEnter.bShown);
    const AboutSeen byEscape = RunAndClose([](QDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); });
    EXPECT_TRUE(byEscape.bShown);
}

TEST(AboutDlgTest, TypingDoesNotChangeTheTexts) {
    CAboutDlg dialog;
    dialog.m_strRevisionText = QStringLiteral("Corvane Revision 100");
    dialog.show();
    auto* revision = CDialogTemplate::Control<QLineEdit>(dialog, CAboutDlg::IDC_EDIT_REVISION);
    revision->setFocus();
    QTest::keyClicks(revision, QStringLiteral("xyz"));
    QTest::keyClick(revision, Qt::Key_Backspace);
    EXPECT_EQ(revision->text(), QStringLiteral("Corvane Revision 100"));
}

} // namespace
