#pragma once

#include "ui/CFolderChecker.h"
#include "ui/CUpdateLauncher.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// An update launcher and folder checker that starts nothing and remembers every path it was asked to
// update or check, with what waits for each check.
class CRecordingUpdateLauncher final : public CUpdateLauncher, public CFolderChecker {
public:
    bool StartUpdate(const QString& strPath, QWidget* pRequester) override;
    bool CheckNow(const QString& strPath, std::function<void()> onChecked) override;

    QStringList m_requestedPaths;
    QWidget* m_pLastRequester = nullptr;
    QStringList m_checkedPaths;
    std::vector<std::function<void()>> m_checkWaiters;
};
