#include "DialogTestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QIcon>
#include <QTest>

bool WaitUntil(const std::function<bool()>& condition, int iTimeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > iTimeoutMs) {
            return condition();
        }
        QTest::qWait(10);
    }
    return true;
}

bool WriteScript(const QString& strFolder, const QString& strName, const QByteArray& body) {
    QFile script(strFolder + QLatin1Char('/') + strName);
    if (!script.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    script.write("#!/bin/sh\n" + body);
    script.close();
    return script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                 QFile::ExeGroup);
}

QStringList ReadNulSeparated(const QString& strFile) {
    QFile file(strFile);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringList fields = QString::fromLocal8Bit(file.readAll()).split(QChar(u'\0'));
    if (!fields.isEmpty() && fields.last().isEmpty()) {
        fields.removeLast();
    }
    return fields;
}

QImage SmallImage(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage StateIconImage(int iIconId) {
    return SmallImage(QIcon(QStringLiteral(":/icons/%1.png").arg(iIconId)));
}

QByteArray PathWithFirst(const QString& strFolder) {
    return QFile::encodeName(strFolder + QDir::listSeparator()) + qgetenv("PATH");
}
