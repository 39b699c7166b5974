#include "support/CGitSandbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

namespace {

constexpr int kGitTimeoutMs = 60000;

} // namespace

CGitSandbox::CGitSandbox() = default;

QString CGitSandbox::Folder() const {
    return m_tempDir.isValid() ? m_tempDir.path() : QString();
}

QString CGitSandbox::RepositoryPath() const {
    return Folder() + QStringLiteral("/server.git");
}

bool CGitSandbox::Git(const QString& folder, const QStringList& arguments, QByteArray* output) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), Folder() + QStringLiteral("/home"));
    environment.insert(QStringLiteral("GIT_CONFIG_NOSYSTEM"), QStringLiteral("1"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral("git"),
                  QStringList{QStringLiteral("-C"), folder.isEmpty() ? Folder() : folder} + arguments);
    const bool bFinished = process.waitForFinished(kGitTimeoutMs);
    if (!bFinished) {
        process.kill();
        process.waitForFinished();
    }
    const QByteArray text = process.readAll();
    if (output != nullptr)
        *output = text;
    const bool bSucceeded =
        bFinished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!bSucceeded)
        m_strLastError =
            QStringLiteral("git ") + arguments.join(QLatin1Char(' ')) + QStringLiteral(": ") +
            (process.error() == QProcess::FailedToStart ? process.errorString() : QString::fromUtf8(text));
    return bSucceeded;
}

bool CGitSandbox::CreateRepository() {
    if (Folder().isEmpty()) {
        m_strLastError = QStringLiteral("no temporary folder");
        return false;
    }
    const QString seed = Folder() + QStringLiteral("/seed");
    return Git({}, {QStringLiteral("init"), QStringLiteral("--quiet"), QStringLiteral("--bare"),
                    QStringLiteral("--initial-branch=main"), RepositoryPath()}) &&
           Git({}, {QStringLiteral("init"), QStringLiteral("--quiet"),
                    QStringLiteral("--initial-branch=main"), seed}) &&
           Git(seed, {QStringLiteral("remote"), QStringLiteral("add"), QStringLiteral("origin"),
                      RepositoryPath()}) &&
           Commit(seed, QStringLiteral("alice"), QStringLiteral("readme.txt"), "first\n",
                  QStringLiteral("First"), false) &&
           Git(seed, {QStringLiteral("push"), QStringLiteral("--quiet"), QStringLiteral("-u"),
                      QStringLiteral("origin"), QStringLiteral("main")});
}

QString CGitSandbox::Clone(const QString& name) {
    const QString clone = Folder() + QLatin1Char('/') + name;
    if (!Git({}, {QStringLiteral("clone"), QStringLiteral("--quiet"), RepositoryPath(), clone}))
        return {};
    return clone;
}

bool CGitSandbox::Commit(const QString& clone, const QString& author, const QString& file,
                         const QByteArray& text, const QString& message, bool bPush) {
    const QString path = clone + QLatin1Char('/') + file;
    QDir().mkpath(QFileInfo(path).path());
    QFile output(path);
    if (!output.open(QIODevice::WriteOnly | QIODevice::Truncate) || output.write(text) != text.size()) {
        m_strLastError = QStringLiteral("cannot write ") + path;
        return false;
    }
    output.close();
    const QString email =
        QStringLiteral("user.email=%1@example.com").arg(QString(author).remove(QLatin1Char(' ')));
    return Git(clone, {QStringLiteral("add"), QStringLiteral("--"), file}) &&
           Git(clone,
               {QStringLiteral("-c"), QStringLiteral("user.name=") + author, QStringLiteral("-c"), email,
                QStringLiteral("commit"), QStringLiteral("--quiet"), QStringLiteral("-m"), message}) &&
           (!bPush || Git(clone, {QStringLiteral("push"), QStringLiteral("--quiet"), QStringLiteral("origin"),
                                  QStringLiteral("HEAD:main")}));
}
