#include "settings/SVNPathState.h"

QString StateText(int iState) {
    switch (iState) {
    case Waiting:
        return QStringLiteral("wating..");
    case UpToDate:
        return QStringLiteral("up-to-date");
    case Modified:
        return QStringLiteral("modified");
    case ErrorLocal:
        return QStringLiteral("error local");
    default:
        return QStringLiteral("error network/server");
    }
}
