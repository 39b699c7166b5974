#pragma once

#include <QString>

// Copies program into folder as the program name, with the ".exe" Windows needs to start it; false
// when it could not be copied.
bool PlaceProgram(const QString& program, const QString& folder, const QString& name);

// Places the stand-in of NotingSvn.cpp so.
bool PlaceNotingSvn(const QString& folder, const QString& name);
