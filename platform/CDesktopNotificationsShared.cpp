// What the notifications of every system share: the text as the server must receive it, and the
// server's answers.
#include "platform/CDesktopNotifications.h"

namespace platform {

void CDesktopNotifications::OnCapabilities(const QStringList& capabilities) {
    m_bServerTakesMarkup = capabilities.contains(QStringLiteral("body-markup"));
}

QString CDesktopNotifications::PlainBody(const QString& strText, bool bServerTakesMarkup) {
    if (!bServerTakesMarkup)
        return strText;
    QString strBody;
    strBody.reserve(strText.size());
    for (const QChar character : strText) {
        if (character == u'&')
            strBody += QStringLiteral("&amp;");
        else if (character == u'<')
            strBody += QStringLiteral("&lt;");
        else if (character == u'>')
            strBody += QStringLiteral("&gt;");
        else
            strBody += character;
    }
    return strBody;
}

void CDesktopNotifications::OnActionInvoked(uint uId, const QString& strKey) {
    if (m_OwnIds.contains(uId))
        emit ActionInvoked(strKey);
}

void CDesktopNotifications::OnNotificationClosed(uint uId, uint /*uReason*/) {
    m_OwnIds.remove(uId);
}

} // namespace platform
