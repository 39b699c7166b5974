#include "settings/CAppSettings.h"
#include "settings/MyLogFile.h"

// Both are defined here so that their order is certain: the settings first, the log after them,
// and the log destroyed first.
CAppSettings theSettings;
MyLogFile theLogFile;
