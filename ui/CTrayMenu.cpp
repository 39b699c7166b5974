#include "ui/CTrayMenu.h"

#include <QAction>
#include <QPoint>

CTrayMenu::CTrayMenu(const PopupMenuData& popup, unsigned nDefaultItem, bool bDefaultByPosition) {
    m_Menu.setTitle(popup.m_strTitle);
    for (std::size_t nPosition = 0; nPosition < popup.m_Items.size(); ++nPosition) {
        const MenuItemData& item = popup.m_Items[nPosition];
        if (item.m_bSeparator) {
            m_Menu.addSeparator();
            continue;
        }
        QAction* pAction = m_Menu.addAction(item.m_strText);
        pAction->setData(item.m_nCommandId);
        const bool bDefault =
            bDefaultByPosition ? nPosition == nDefaultItem : item.m_nCommandId == nDefaultItem;
        if (bDefault && m_Menu.defaultAction() == nullptr)
            m_Menu.setDefaultAction(pAction);
    }
}

std::optional<unsigned> CTrayMenu::Exec(const QPoint& ptAt) {
    const QAction* pChosen = m_Menu.exec(ptAt);
    if (pChosen == nullptr)
        return std::nullopt;
    return pChosen->data().toUInt();
}
