#include "ui/Resources.h"

#include "platform/QtNotifyArea.h"

#include <QFile>

platform::IconHandle LoadIconResource(unsigned uId) {
    if (!QFile::exists(platform::IconResourcePath(uId)))
        return {};
    return platform::IconHandle::FromResource(uId);
}

QIcon ApplicationIcon() {
    constexpr unsigned kApplicationIconId = 128;
    return platform::CQtNotifyArea::IconImage(platform::IconHandle::FromResource(kApplicationIconId));
}

std::optional<MenuResource> LoadMenuResource(unsigned uId) {
    QFile file(QStringLiteral(":/menus/%1.json").arg(uId));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return ParseMenuResource(file.readAll());
}
