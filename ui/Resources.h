#pragma once

#include "platform/NotifyArea.h"
#include "ui/MenuResource.h"

#include <QIcon>
#include <optional>

// The program's resources by numeric id: icon N is ":/icons/N.png", menu N is ":/menus/N.json".

// The handle of icon resource uId; a null handle when the program has no such icon.
platform::IconHandle LoadIconResource(unsigned uId);

// The program's own icon, the tray's resting drawing, at every size it is drawn at: for the title
// bars and task bar entries of its windows.
QIcon ApplicationIcon();

// Menu resource uId; none when the program has no such menu or its data is malformed.
std::optional<MenuResource> LoadMenuResource(unsigned uId);
