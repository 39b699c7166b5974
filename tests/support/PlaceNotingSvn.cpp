#include "support/PlaceNotingSvn.h"

#include <QFile>
#include <QFileInfo>

bool PlaceNotingSvn(const QString& folder, const QString& name) {
    const QFileInfo program(QStringLiteral(CORVANE_NOTING_SVN));
    const QString target =
        folder + QLatin1Char('/') + name + (program.suffix().isEmpty() ? QString() : "." + program.suffix());
    QFile::remove(target);
    return QFile::copy(program.filePath(), target);
}
