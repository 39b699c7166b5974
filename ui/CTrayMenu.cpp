#include "ui/CTrayMenu.h"

#include "platform/QtNotifyArea.h"

#include <QAction>
#include <QPoint>

namespace {

std::vector<platform::NotifyMenuItem> SubmenuItems(const std::vector<MenuItemData>& subItems) {
    std::vector<platform::NotifyMenuItem> items;
    for (const MenuItemData& data : subItems)
        items.push_back(
            {data.m_strText, data.m_nCommandId, data.m_bSeparator, false, SubmenuItems(data.m_SubItems)});
    return items;
}

} // namespace

std::vector<platform::NotifyMenuItem> TrayMenuItems(const PopupMenuData& popup, unsigned nDefaultItem,
                                                    bool bDefaultByPosition) {
    std::vector<platform::NotifyMenuItem> items;
    bool bDefaultFound = false;
    for (std::size_t nPosition = 0; nPosition < popup.m_Items.size(); ++nPosition) {
        const MenuItemData& data = popup.m_Items[nPosition];
        platform::NotifyMenuItem item;
        item.m_bSeparator = data.m_bSeparator;
        if (!data.m_SubItems.empty()) {
            item.m_strText = data.m_strText;
            item.m_SubItems = SubmenuItems(data.m_SubItems);
        } else if (!data.m_bSeparator) {
            item.m_strText = data.m_strText;
            item.m_nCommandId = data.m_nCommandId;
            const bool bDefault =
                bDefaultByPosition ? nPosition == nDefaultItem : data.m_nCommandId == nDefaultItem;
            item.m_bDefault = bDefault && !bDefaultFound;
            bDefaultFound = bDefaultFound || bDefault;
        }
        items.push_back(std::move(item));
    }
    return items;
}

CTrayMenu::CTrayMenu(const PopupMenuData& popup, unsigned nDefaultItem, bool bDefaultByPosition) {
    m_Menu.setTitle(popup.m_strTitle);
    platform::FillMenu(m_Menu, TrayMenuItems(popup, nDefaultItem, bDefaultByPosition));
}

std::optional<unsigned> CTrayMenu::Exec(const QPoint& ptAt) {
    const QAction* pChosen = m_Menu.exec(ptAt);
    if (pChosen == nullptr)
        return std::nullopt;
    return pChosen->data().toUInt();
}
