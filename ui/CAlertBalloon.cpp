#include "ui/CAlertBalloon.h"

#include "engine/CCheckHost.h"

#include <QStringList>
#include <algorithm>

CAlertBalloon::CAlertBalloon(std::chrono::seconds shown) : m_Shown(shown) {}

QString CAlertBalloon::Add(const CModifiedAlert& alert, const QDateTime& now) {
    if (!m_Gone.isValid() || now >= m_Gone)
        m_Copies.clear();
    m_Gone = now.addSecs(m_Shown.count());
    // A copy announced again keeps its place.
    const auto known = std::find_if(m_Copies.begin(), m_Copies.end(), [&alert](const CCopy& copy) {
        return copy.m_strPath == alert.m_strPath;
    });
    if (known == m_Copies.end())
        m_Copies.push_back({alert.m_strPath, alert.m_strName, alert.m_strTitle});

    if (m_Copies.size() == 1) {
        // The system's message comes first, as it always was; what changed follows it.
        QString text = alert.m_strMessage;
        for (const QString& line : SummaryLines(alert.m_Changes))
            text += QLatin1Char('\n') + line;
        if (const QString edits = PredictionLine(alert.m_Changes); !edits.isEmpty())
            text += QLatin1Char('\n') + edits;
        return text;
    }
    QStringList names;
    for (const CCopy& copy : m_Copies)
        names.append(copy.m_strName.isEmpty() ? copy.m_strPath : copy.m_strName);
    return QStringLiteral("%1 working copies were modified: %2")
        .arg(QString::number(m_Copies.size()), names.join(QStringLiteral(", ")));
}

void CAlertBalloon::Clear() {
    m_Copies.clear();
    m_Gone = {};
}

QString CAlertBalloon::Title() const {
    const bool bOneKind = std::all_of(m_Copies.begin(), m_Copies.end(), [this](const CCopy& copy) {
        return copy.m_strTitle == m_Copies.front().m_strTitle;
    });
    return bOneKind && !m_Copies.empty() ? m_Copies.front().m_strTitle : QStringLiteral("SubVersion:");
}
