// Any "Corvane.xml" is read without harm: a file that cannot be read changes nothing, and what was
// read is saved to a file that reads back the same.
#include "FuzzRequire.h"
#include "FuzzWorkFolder.h"
#include "settings/CAppSettings.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace {

std::string WorkFile(const char* name) {
    return FuzzWorkFile(QLatin1String(name)).toStdString();
}

// The file is text in the locale's encoding, UTF-8. TinyXML reads a file without declaration byte by
// byte but the saved file, which declares itself, as UTF-8: a stray lead byte then swallows the '<'
// after it. So only files in UTF-8 must read back, and alike.
bool IsUtf8(const QByteArray& bytes) {
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

CAppSettings MarkedSettings() {
    CAppSettings settings;
    settings.m_strName = "mark";
    settings.m_mapPaths = {{"mark", "mark"}};
    settings.bAutomaticUpdateAtStart = -7;
    settings.bAutomaticUpdate = -7;
    settings.iTimerMilisec = -7;
    return settings;
}

// TinyXML condenses runs of blanks as it reads a text, and a malformed entity it drops can leave a run
// that is condensed only on the next read: path values compare with their blanks condensed.
std::map<std::string, QString> Condensed(const std::map<std::string, std::string>& paths) {
    std::map<std::string, QString> condensed;
    for (const auto& [key, value] : paths)
        condensed[key] = QString::fromUtf8(value).simplified();
    return condensed;
}

bool SameValues(const CAppSettings& left, const CAppSettings& right) {
    return left.m_strName == right.m_strName && Condensed(left.m_mapPaths) == Condensed(right.m_mapPaths) &&
           left.bAutomaticUpdateAtStart == right.bAutomaticUpdateAtStart &&
           left.bAutomaticUpdate == right.bAutomaticUpdate && left.iTimerMilisec == right.iTimerMilisec;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::string input = WorkFile("input.xml");
    QFile file(QString::fromStdString(input));
    FuzzRequire(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "the input file can be written");
    file.write(bytes);
    file.close();

    CAppSettings settings = MarkedSettings();
    if (!settings.LoadFromFile(input)) {
        FuzzRequire(SameValues(settings, MarkedSettings()), "a file that cannot be read changes nothing");
        return 0;
    }

    const std::string saved = WorkFile("saved.xml");
    FuzzRequire(settings.SaveToFile(saved), "the settings read can be saved");
    if (!IsUtf8(bytes))
        return 0;
    CAppSettings reread = MarkedSettings();
    FuzzRequire(reread.LoadFromFile(saved), "a saved file reads back");
    FuzzRequire(SameValues(reread, settings), "a saved file reads back the same values");
    return 0;
}
