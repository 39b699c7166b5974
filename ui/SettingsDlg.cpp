#include "ui/SettingsDlg.h"

#include "settings/CAppSettings.h"
#include "ui/CDialogTemplate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace {

// A check box whose text, if any, stands on the left of its box.
QCheckBox* AddLeftTextCheckBox(QDialog& dialog, const CDialogTemplate& layout, const QString& strText,
                               int iId, int x, int y, int cx, int cy) {
    auto* checkBox = new QCheckBox(strText, &dialog);
    layout.PlaceControl(*checkBox, iId, x, y, cx, cy);
    checkBox->setLayoutDirection(Qt::RightToLeft);
    return checkBox;
}

} // namespace

SettingsDlg::SettingsDlg(QWidget* parent) : QDialog(parent) {
    const QString strEngineTimer = QStringLiteral("Engine timer :");
    const QString strMinutes = QStringLiteral("( min. )");
    const QString strDebug = QStringLiteral("Debug mode");
    const QString strAtStartup = QStringLiteral("Automatic Updates at startup");
    const QString strAutomatic = QStringLiteral("Automatic Updates");
    // "Debug mode" shares its 57 units with its box, which takes about 12.
    const CDialogTemplate layout(
        font(),
        {{strEngineTimer, 47}, {strMinutes, 26}, {strDebug, 45}, {strAtStartup, 96}, {strAutomatic, 62}});
    layout.SetUpDialog(*this, QStringLiteral("Corvane : Application settings"), 198, 100);

    auto* okButton = new QPushButton(QStringLiteral("OK"), this);
    layout.PlaceControl(*okButton, 1, 74, 79, 50, 14);
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &SettingsDlg::OnBnClickedOk);

    layout.AddStaticText(*this, strEngineTimer, Qt::AlignLeft, 21, 16, 47, 8);

    m_comboTimer = new QComboBox(this);
    // The template's height includes the drop-down list; the closed box is as high as its text needs.
    layout.PlaceControl(*m_comboTimer, IDC_COMBO_TIMER, 68, 16, 71, 108);
    m_comboTimer->resize(m_comboTimer->width(), m_comboTimer->sizeHint().height());
    m_comboTimer->addItems(
        {QStringLiteral("15"), QStringLiteral("30"), QStringLiteral("60"), QStringLiteral("120")});
    // A sorted drop-down list shows its strings in text order, with nothing chosen at first.
    m_comboTimer->model()->sort(0);
    m_comboTimer->setCurrentIndex(-1);

    layout.AddStaticText(*this, strMinutes, Qt::AlignLeft, 150, 16, 26, 8);

    m_checkDebug = AddLeftTextCheckBox(*this, layout, strDebug, IDC_CHECK_DEBUG, 95, 62, 57, 10);
    m_checkDebug->setEnabled(false);
    m_checkAutoUpdate = AddLeftTextCheckBox(*this, layout, QString(), IDC_CHECK_AUTO_UPDATE, 135, 50, 17, 10);
    m_checkAutoUpdateAtStart =
        AddLeftTextCheckBox(*this, layout, QString(), IDC_CHECK_AUTO_UPDATE_AT_START, 140, 38, 12, 10);

    // The check boxes have no text of their own: the texts on their left name them.
    QLabel* atStartLabel = layout.AddStaticText(*this, strAtStartup, Qt::AlignLeft, 39, 39, 96, 8);
    QLabel* autoLabel = layout.AddStaticText(*this, strAutomatic, Qt::AlignLeft, 72, 51, 62, 8);
    atStartLabel->setBuddy(m_checkAutoUpdateAtStart);
    autoLabel->setBuddy(m_checkAutoUpdate);
    m_checkAutoUpdateAtStart->setAccessibleName(atStartLabel->text());
    m_checkAutoUpdate->setAccessibleName(autoLabel->text());
}

void SettingsDlg::showEvent(QShowEvent* event) {
    if (!m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void SettingsDlg::OnInitDialog() {
    m_bAutoUpdateAtStart = theSettings.bAutomaticUpdateAtStart;
    m_bAutoUpdate = theSettings.bAutomaticUpdate;
    DoDataExchange(false);
}

void SettingsDlg::OnBnClickedOk() {
    DoDataExchange(true);
    theSettings.bAutomaticUpdateAtStart = m_bAutoUpdateAtStart;
    theSettings.bAutomaticUpdate = m_bAutoUpdate;
    // A file that cannot be written keeps its old content.
    theSettings.SaveToFile(kSettingsFileName);
    accept();
}

void SettingsDlg::DoDataExchange(bool bSaveAndValidate) {
    if (bSaveAndValidate) {
        m_bAutoUpdateAtStart = m_checkAutoUpdateAtStart->isChecked() ? 1 : 0;
        m_bAutoUpdate = m_checkAutoUpdate->isChecked() ? 1 : 0;
    } else {
        m_checkAutoUpdateAtStart->setChecked(m_bAutoUpdateAtStart != 0);
        m_checkAutoUpdate->setChecked(m_bAutoUpdate != 0);
    }
}
