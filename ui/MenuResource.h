#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

// One item of a popup menu: a command with its text, a separator, or a submenu with its text and
// its own items.
struct MenuItemData {
    QString m_strText;
    unsigned m_nCommandId = 0;
    bool m_bSeparator = false;
    std::vector<MenuItemData> m_SubItems;
};

struct PopupMenuData {
    QString m_strTitle;
    std::vector<MenuItemData> m_Items;
};

// A menu resource: its popups in order, as the program's JSON menu data describes them.
struct MenuResource {
    std::vector<PopupMenuData> m_Popups;
};

// The menu that a JSON document describes; none when the document is malformed, when an item has
// neither a text and a command id from 1 to 65535, nor a text and items of its own (a submenu), nor
// the separator mark.
std::optional<MenuResource> ParseMenuResource(const QByteArray& json);
