#include "ui/MenuResource.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr int kLargestCommandId = 0xFFFF;

std::optional<MenuItemData> ParseItem(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject item = value.toObject();
    if (item.value(QStringLiteral("separator")).toBool())
        return MenuItemData{QString(), 0, true, {}};

    const QJsonValue text = item.value(QStringLiteral("text"));
    const QJsonValue subItems = item.value(QStringLiteral("items"));
    if (subItems.isArray()) {
        if (!text.isString() || text.toString().isEmpty())
            return std::nullopt;
        MenuItemData submenu{text.toString(), 0, false, {}};
        for (const QJsonValue& subItem : subItems.toArray()) {
            std::optional<MenuItemData> parsed = ParseItem(subItem);
            if (!parsed)
                return std::nullopt;
            submenu.m_SubItems.push_back(std::move(*parsed));
        }
        return submenu;
    }
    const int nCommandId = item.value(QStringLiteral("command")).toInt(0);
    if (!text.isString() || text.toString().isEmpty() || nCommandId < 1 || nCommandId > kLargestCommandId)
        return std::nullopt;
    return MenuItemData{text.toString(), static_cast<unsigned>(nCommandId), false, {}};
}

std::optional<PopupMenuData> ParsePopup(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject popup = value.toObject();
    const QJsonValue title = popup.value(QStringLiteral("title"));
    const QJsonValue items = popup.value(QStringLiteral("items"));
    if (!title.isString() || !items.isArray())
        return std::nullopt;

    PopupMenuData data{title.toString(), {}};
    for (const QJsonValue& itemValue : items.toArray()) {
        std::optional<MenuItemData> item = ParseItem(itemValue);
        if (!item)
            return std::nullopt;
        data.m_Items.push_back(std::move(*item));
    }
    return data;
}

} // namespace

std::optional<MenuResource> ParseMenuResource(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonValue popups = document.object().value(QStringLiteral("popups"));
    if (!popups.isArray())
        return std::nullopt;

    MenuResource menu;
    for (const QJsonValue& popupValue : popups.toArray()) {
        std::optional<PopupMenuData> popup = ParsePopup(popupValue);
        if (!popup)
            return std::nullopt;
        menu.m_Popups.push_back(std::move(*popup));
    }
    return menu;
}
