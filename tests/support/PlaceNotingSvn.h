#pragma once

#include <QString>

// Puts the stand-in of NotingSvn.cpp into folder as the program name, with the ".exe" Windows
// needs to start it; false when it could not be copied.
bool PlaceNotingSvn(const QString& folder, const QString& name);
