#include "CRecordingUpdateLauncher.h"

#include <utility>

bool CRecordingUpdateLauncher::StartUpdate(const QString& strPath, QWidget* pRequester) {
    m_requestedPaths.append(strPath);
    m_pLastRequester = pRequester;
    return true;
}

bool CRecordingUpdateLauncher::CheckNow(const QString& strPath, std::function<void()> onChecked) {
    m_checkedPaths.append(strPath);
    m_checkWaiters.push_back(std::move(onChecked));
    return true;
}
