#include "settings/MyLogFile.h"

#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"

#include <QFile>

namespace {

constexpr char kHeader[] = "<HTML><HEAD><TITLE>LOGFILE</TITLE></HEAD><BODY>\n";
constexpr char kFooter[] = "<BR></BODY></HTML>";
constexpr char kStampFormat[] = "%d/%m/%Y %H:%M:%S";

} // namespace

MyLogFile::MyLogFile() = default;

MyLogFile::~MyLogFile() = default;

bool MyLogFile::SwitchOn(const QString& strFileName, bool bHtml, bool bOverwrite) {
    if (m_pFile)
        return false;
    m_strFileName = strFileName;
    m_bHtml = bHtml ? 1 : 0;
    m_bOverwrite = bOverwrite ? 1 : 0;
    m_bEnabled = true;
    return true;
}

bool MyLogFile::Open() {
    if (!m_bEnabled)
        return false;
    if (m_pFile)
        return true;
    // Never through a link: one planted where the log goes would make us cut a file of the user's.
    std::unique_ptr<QFile> file = platform::OpenRegularFileForWriting(m_strFileName, m_bOverwrite == 1);
    if (!file)
        return false;
    if (m_bOverwrite == 1 && m_bHtml == 1)
        file->write(kHeader);
    m_pFile = std::move(file);
    return true;
}

bool MyLogFile::LogFormat(const QString& message) {
    return WriteLine(message);
}

bool MyLogFile::LogText(const QString& text) {
    return WriteLine(text + QLatin1Char('\n'));
}

bool MyLogFile::Close() {
    if (m_pFile) {
        LogText(QStringLiteral("Logfile is terminate..\n\n"));
        if (m_bHtml == 1)
            m_pFile->write(kFooter);
        m_pFile->close();
        m_pFile.reset();
    }
    m_bEnabled = false;
    return true;
}

bool MyLogFile::WriteLine(const QString& message) {
    const QString computerName = platform::ComputerName();
    if (!Open())
        return false;
    const QString stamp = platform::LocalTimeText(kStampFormat);
    const QString line = stamp + QLatin1Char(' ') + computerName + QLatin1Char(' ') + message;
    // svn's texts (an author, a path) must not become markup in the HTML form.
    m_pFile->write((m_bHtml == 1 ? line.toHtmlEscaped() : line).toLocal8Bit());
    m_pFile->flush();
    return true;
}
