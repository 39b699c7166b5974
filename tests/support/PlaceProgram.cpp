#include "support/PlaceProgram.h"

#include <QFile>
#include <QFileInfo>

bool PlaceProgram(const QString& program, const QString& folder, const QString& name) {
    const QString suffix = QFileInfo(program).suffix();
    const QString target = folder + QLatin1Char('/') + name + (suffix.isEmpty() ? QString() : "." + suffix);
    QFile::remove(target);
    return QFile::copy(program, target);
}

bool PlaceNotingSvn(const QString& folder, const QString& name) {
    return PlaceProgram(QStringLiteral(CORVANE_NOTING_SVN), folder, name);
}
