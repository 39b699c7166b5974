#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>

class QIcon;
class QWidget;

// Lets the event loop run until the condition holds or the time is up; the condition's last value.
// The time only bounds a wait that fails, so it leaves a busy machine room to spare.
bool WaitUntil(const std::function<bool()>& condition, int iTimeoutMs = 30000);

// Writes an executable shell script into the folder; false when it could not be written.
bool WriteScript(const QString& strFolder, const QString& strName, const QByteArray& body);

// The NUL-separated fields of a file written by a recording script; empty when it is missing.
QStringList ReadNulSeparated(const QString& strFile);

// The 16 x 16 image an icon shows, for comparing two icons.
QImage SmallImage(const QIcon& icon);

// The state icon with this resource id as the report shows it.
QImage StateIconImage(int iIconId);

// A PATH that looks first in this folder, then where it looked before.
QByteArray PathWithFirst(const QString& strFolder);
