#pragma once

#include "platform/NotifyArea.h"
#include "ui/MenuResource.h"

#include <optional>

// The program's resources by numeric id: icon N is ":/icons/N.png", menu N is ":/menus/N.json".

// The handle of icon resource uId; a null handle when the program has no such icon.
platform::IconHandle LoadIconResource(unsigned uId);

// Menu resource uId; none when the program has no such menu or its data is malformed.
std::optional<MenuResource> LoadMenuResource(unsigned uId);
