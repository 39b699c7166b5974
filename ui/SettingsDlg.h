#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;

// The application settings: the two automatic-update flags of theSettings, saved to "Corvane.xml"
// in the current directory by OK. The engine timer choice and "Debug mode" are shown but not
// connected to any setting.
class SettingsDlg final : public QDialog {
    Q_OBJECT

public:
    static constexpr int IDD = 135;
    static constexpr int IDC_COMBO_TIMER = 1002;
    static constexpr int IDC_CHECK_DEBUG = 1003;
    static constexpr int IDC_CHECK_AUTO_UPDATE = 1004;
    static constexpr int IDC_CHECK_AUTO_UPDATE_AT_START = 1005;

    explicit SettingsDlg(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Copies the flags from theSettings to the check boxes, once, when the dialog first shows.
    void OnInitDialog();
    void OnBnClickedOk();
    // Copies the check boxes' states to the members (bSaveAndValidate) or the members to them.
    void DoDataExchange(bool bSaveAndValidate);

    QComboBox* m_comboTimer;
    QCheckBox* m_checkDebug;
    QCheckBox* m_checkAutoUpdate;
    QCheckBox* m_checkAutoUpdateAtStart;
    int m_bAutoUpdateAtStart = 0;
    int m_bAutoUpdate = 0;
    bool m_bInitialised = false;
};
