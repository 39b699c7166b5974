#pragma once

#include "ui/CUpdateLauncher.h"

#include <QString>
#include <QStringList>

// An update launcher that starts nothing and remembers every path it was asked to update.
class CRecordingUpdateLauncher final : public CUpdateLauncher {
public:
    bool StartUpdate(const QString& strPath, QWidget* pRequester) override;

    QStringList m_requestedPaths;
    QWidget* m_pLastRequester = nullptr;
};
