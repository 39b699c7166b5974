#include "ui/CAboutDlg.h"

#include "ui/CDialogTemplate.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace {

constexpr char kRevision[] = "100";
constexpr char kBuildDate[] = "2008/02/19 15:03:47";
constexpr int kApplicationIconId = 128;
constexpr int kIconSize = 32;

// A read-only line of text that can be selected and copied, and is a tab stop, as the template's
// borderless read-only edit boxes are. A line edit would do as much, but under Wine it draws no text
// unless it is more than twice as high as its font.
QLabel* AddSelectableLine(QDialog& dialog, const CDialogTemplate& layout, int iId, int x, int y, int cx,
                          int cy) {
    auto* line = new QLabel(&dialog);
    layout.PlaceControl(*line, iId, x, y, cx, cy);
    line->setAlignment(Qt::AlignCenter);
    line->setTextFormat(Qt::PlainText);
    line->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    line->setFocusPolicy(Qt::StrongFocus);
    return line;
}

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    const QString strTagLine = tr("Watches your working copies.");
    const QString strNeeds =
        QStringLiteral("This program needs Subversion installed,\n and added in the PATH env variable.");
    const CDialogTemplate layout(font(), {{strTagLine, 123}, {strNeeds, 203, 15}});
    layout.SetUpDialog(*this, QStringLiteral("About Corvane"), 252, 118);

    auto* icon = new QLabel(this);
    layout.PlaceControl(*icon, -1, 14, 13, 21, 20);
    // Shown at the standard icon size; the small drawing is doubled pixel for pixel, staying sharp.
    const QPixmap iconImage(QStringLiteral(":/icons/%1.png").arg(kApplicationIconId));
    icon->setPixmap(iconImage.scaled(kIconSize, kIconSize, Qt::KeepAspectRatio, Qt::FastTransformation));
    icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* closeButton = new QPushButton(QStringLiteral("&Close"), this);
    layout.PlaceControl(*closeButton, 1, 110, 97, 32, 14);
    closeButton->setDefault(true);
    connect(closeButton, &QPushButton::clicked, this, &CAboutDlg::accept);

    m_textRevision = AddSelectableLine(*this, layout, IDC_EDIT_REVISION, 38, 13, 181, 14);
    m_textBuildDate = AddSelectableLine(*this, layout, IDC_EDIT_BUILD_DATE, 38, 27, 181, 14);

    layout.AddStaticText(*this, strTagLine, Qt::AlignHCenter, 64, 75, 123, 8);
    layout.AddStaticText(*this, strNeeds, Qt::AlignHCenter, 24, 43, 203, 15);
}

void CAboutDlg::showEvent(QShowEvent* event) {
    DoDataExchange();
    QDialog::showEvent(event);
}

void CAboutDlg::DoDataExchange() {
    m_textRevision->setText(m_strRevisionText);
    m_textBuildDate->setText(m_strBuildDate);
}

CAboutDlg* NewAboutDialog(QWidget* parent) {
    auto* pDialog = new CAboutDlg(parent);
    pDialog->m_strRevisionText = QStringLiteral("Corvane Revision %1").arg(QLatin1String(kRevision));
    pDialog->m_strBuildDate = QString::fromLatin1(kBuildDate);
    return pDialog;
}
