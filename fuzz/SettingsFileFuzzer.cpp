// Any "Corvane.xml" is read without harm: a file that cannot be read changes nothing, and what was
// read is saved to a file that reads back the same. The nesting measure that guards TinyXML's stack
// never counts less than TinyXML nests, and exactly as much for a document it parses; a file past the
// size cap is not read.
#include "FuzzRequire.h"
#include "FuzzWorkFolder.h"
#include "settings/CAppSettings.h"
#include "svn/XmlNesting.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <tinyxml.h>
#include <utility>
#include <vector>

namespace {

std::string WorkFile(const char* name) {
    return FuzzWorkFile(QLatin1String(name)).toStdString();
}

// The file is text in the locale's encoding, UTF-8. TinyXML reads a file without declaration byte by
// byte but the saved file, which declares itself, as UTF-8: a stray lead byte then swallows the '<'
// after it, and byte-order marks (and U+FFFE, U+FFFF) count as white space, even inside a name. So
// only files in UTF-8 without those must read back, and alike.
bool ReadsAlikeAsUtf8(const QByteArray& bytes) {
    return QString::fromUtf8(bytes).toUtf8() == bytes && !bytes.contains("\xEF\xBB\xBF") &&
           !bytes.contains("\xEF\xBF\xBE") && !bytes.contains("\xEF\xBF\xBF");
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

// Well within the stack: TinyXML may parse what measures at most this deep.
constexpr int kParseableDepth = 2000;

// The deepest element of the node's tree, walked without recursion.
int TreeDepth(const TiXmlNode& root) {
    int deepest = 0;
    std::vector<std::pair<const TiXmlNode*, int>> pending{{&root, 0}};
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        deepest = std::max(deepest, depth);
        for (const TiXmlNode* child = node->FirstChild(); child != nullptr; child = child->NextSibling())
            pending.emplace_back(child, child->ToElement() != nullptr ? depth + 1 : depth);
    }
    return deepest;
}

void CheckNestingMeasure(const std::string& text) {
    const int measured = XmlNestingDepth(text, kParseableDepth);
    if (measured > kParseableDepth)
        return;
    std::string padded = text;
    padded.append(4, '\0');
    TiXmlDocument document;
    document.Parse(padded.c_str());
    // After an error TinyXML keeps what it had read; it went no deeper than that, or the measure.
    const int depth = TreeDepth(document);
    FuzzRequire(depth <= measured, "the measure never counts less than TinyXML nests");
    if (!document.Error())
        FuzzRequire(depth == measured, "a parsed document nests as deep as measured");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::string input = WorkFile("input.xml");
    QFile file(QString::fromStdString(input));
    FuzzRequire(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "the input file can be written");
    file.write(bytes);
    file.close();

    CheckNestingMeasure(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));

    CAppSettings settings = MarkedSettings();
    if (!bytes.isEmpty() && bytes.front() == ' ') {
        // Grown past the size cap with blanks TinyXML would skip, the same file is not read at all.
        FuzzRequire(file.open(QIODevice::Append) && file.write(QByteArray(1024 * 1024, ' ')) > 0,
                    "the input file can be grown");
        file.close();
        FuzzRequire(!settings.LoadFromFile(input) && SameValues(settings, MarkedSettings()),
                    "a file past the size cap is not read");
        return 0;
    }
    if (!settings.LoadFromFile(input)) {
        FuzzRequire(SameValues(settings, MarkedSettings()), "a file that cannot be read changes nothing");
        return 0;
    }

    const std::string saved = WorkFile("saved.xml");
    FuzzRequire(settings.SaveToFile(saved), "the settings read can be saved");
    if (!ReadsAlikeAsUtf8(bytes))
        return 0;
    CAppSettings reread = MarkedSettings();
    FuzzRequire(reread.LoadFromFile(saved), "a saved file reads back");
    FuzzRequire(SameValues(reread, settings), "a saved file reads back the same values");
    return 0;
}
