#include "CRecordingUpdateLauncher.h"

bool CRecordingUpdateLauncher::StartUpdate(const QString& strPath, QWidget* pRequester) {
    m_requestedPaths.append(strPath);
    m_pLastRequester = pRequester;
    return true;
}
