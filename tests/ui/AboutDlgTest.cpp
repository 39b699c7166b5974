#include "ui/CAboutDlg.h"
#include "ui/CDialogTemplate.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct AboutSeen {
    bool bShown = false;
    QString strTitle;
    QString strRevision;
    QString strBuildDate;
    bool bReadOnly = false;
    bool bHasIcon = false;
    bool bClosed = false;
};

// Shows the About command's box, notes what it shows and then closes it with the given action. The
// box no longer visible afterwards shows the action closed it.
AboutSeen ShowAndClose(const std::function<void(QDialog&)>& close) {
    AboutSeen seen;
    std::unique_ptr<CAboutDlg> dialog(NewAboutDialog());
    dialog->show();
    seen.bShown = dialog->isVisible();
    seen.strTitle = dialog->windowTitle();
    auto* revision = CDialogTemplate::Control<QLabel>(*dialog, CAboutDlg::IDC_EDIT_REVISION);
    auto* buildDate = CDialogTemplate::Control<QLabel>(*dialog, CAboutDlg::IDC_EDIT_BUILD_DATE);
    seen.strRevision = revision->text();
    seen.strBuildDate = buildDate->text();
    // Read-only, but the user can select the text, to copy it.
    revision->setSelection(8, 8);
    seen.bReadOnly = !(revision->textInteractionFlags() & Qt::TextEditable) &&
                     !(buildDate->textInteractionFlags() & Qt::TextEditable) &&
                     revision->selectedText() == QStringLiteral("Revision") &&
                     buildDate->focusPolicy() == Qt::StrongFocus;
    for (QLabel* label : dialog->findChildren<QLabel*>()) {
        seen.bHasIcon = seen.bHasIcon || !label->pixmap().isNull();
    }
    close(*dialog);
    seen.bClosed = !dialog->isVisible();
    return seen;
}

TEST(AboutDlgTest, ShowsRevisionAndBuildDateReadOnly) {
    const AboutSeen seen = ShowAndClose([](QDialog& dialog) {
        QTest::mouseClick(CDialogTemplate::Control<QPushButton>(dialog, 1), Qt::LeftButton);
    });
    ASSERT_TRUE(seen.bShown);
    EXPECT_EQ(seen.strTitle, QStringLiteral("About Corvane"));
    EXPECT_EQ(seen.strRevision, QStringLiteral("Corvane Revision 100"));
    EXPECT_EQ(seen.strBuildDate, QStringLiteral("2008/02/19 15:03:47"));
    EXPECT_TRUE(seen.bReadOnly);
    EXPECT_TRUE(seen.bHasIcon);
    EXPECT_TRUE(seen.bClosed);
}

TEST(AboutDlgTest, EnterOnTheTextsAndEscapeCloseIt) {
    const AboutSeen byEnter = ShowAndClose([](QDialog& dialog) {
        auto* revision = CDialogTemplate::Control<QLabel>(dialog, CAboutDlg::IDC_EDIT_REVISION);
        revision->setFocus();
        QTest::keyClick(revision, Qt::Key_Return);
    });
    EXPECT_TRUE(byEnter.bShown);
    EXPECT_TRUE(byEnter.bClosed);
    const AboutSeen byEscape =
        ShowAndClose([](QDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); });
    EXPECT_TRUE(byEscape.bShown);
    EXPECT_TRUE(byEscape.bClosed);
}

TEST(AboutDlgTest, TypingDoesNotChangeTheTexts) {
    CAboutDlg dialog;
    dialog.m_strRevisionText = QStringLiteral("Corvane Revision 100");
    dialog.show();
    auto* revision = CDialogTemplate::Control<QLabel>(dialog, CAboutDlg::IDC_EDIT_REVISION);
    revision->setFocus();
    QTest::keyClicks(revision, QStringLiteral("xyz"));
    QTest::keyClick(revision, Qt::Key_Backspace);
    EXPECT_EQ(revision->text(), QStringLiteral("Corvane Revision 100"));
}

} // namespace
