#pragma once

#include "platform/NotifyArea.h"
#include "ui/MenuResource.h"

#include <QMenu>
#include <optional>
#include <vector>

class QPoint;

// The items of a popup of a menu resource as the notification area takes them, with the default
// item marked. The default item is given by position or by command id; a separator or an unknown item
// leaves the menu without a default.
std::vector<platform::NotifyMenuItem> TrayMenuItems(const PopupMenuData& popup, unsigned nDefaultItem,
                                                    bool bDefaultByPosition);

// The tray icon's popup menu, built from a popup of a menu resource, with its default item drawn
// bold, for a notification area that does not show menus itself.
class CTrayMenu final {
public:
    CTrayMenu(const PopupMenuData& popup, unsigned nDefaultItem, bool bDefaultByPosition);

    // Shows the menu with its top-left corner at ptAt until the user picks an item or dismisses it;
    // gives the picked item's command id, none when dismissed.
    std::optional<unsigned> Exec(const QPoint& ptAt);

    QMenu& Menu() { return m_Menu; }

private:
    QMenu m_Menu;
};
