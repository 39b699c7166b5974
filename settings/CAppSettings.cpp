#include "settings/CAppSettings.h"

#include "platform/FileSystem.h"
#include "svn/XmlNesting.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <string_view>
#include <tinyxml.h>
#include <utility>

namespace {

constexpr char kPathsElement[] = "paths";
constexpr char kSubversionElement[] = "Subversion";
constexpr char kAutomaticUpdateAtStart[] = "bAutomaticUpdateAtStart";
constexpr char kAutomaticUpdate[] = "bAutomaticUpdate";
constexpr char kTimerMilisec[] = "iTimerMilisec";
constexpr int kMinimumTimerMilisec = 60000;

// TinyXML parses and frees elements recursively, so a file nested deeply enough would overflow the
// stack at start-up; the settings document itself is three levels deep.
constexpr int kMaxNesting = 256;
constexpr int kUtf8Padding = 4;
// Settings are a few hundred bytes; a larger "file" is something else (a link to /dev/zero, a log).
constexpr qint64 kMaxSettingsFileBytes = 1024 * 1024;

} // namespace

bool CAppSettings::LoadFromFile(const std::string& strFileName) {
    std::optional<QByteArray> read =
        platform::ReadRegularFile(QString::fromLocal8Bit(strFileName), kMaxSettingsFileBytes);
    if (!read)
        return false;
    QByteArray content = std::move(*read);
    // Line ends as TinyXML's own file loading makes them.
    content.replace("\r\n", "\n").replace('\r', '\n');
    if (XmlNestingDepth(std::string_view(content.constData(), static_cast<std::size_t>(content.size())),
                        kMaxNesting) > kMaxNesting)
        return false;
    // Padding, because TinyXML takes a UTF-8 character's whole length from its first byte even where
    // the text ends inside it.
    content.append(kUtf8Padding, '\0');
    TiXmlDocument document(strFileName.c_str());
    document.Parse(content.constData());
    if (document.Error())
        return false;

    TiXmlHandle documentHandle(&document);
    TiXmlElement* root = documentHandle.FirstChildElement().Element();
    if (root == nullptr)
        return false;

    m_strName = root->Value();
    m_mapPaths.clear();

    TiXmlHandle rootHandle(root);
    for (const TiXmlElement* entry = rootHandle.FirstChild(kPathsElement).FirstChild().Element();
         entry != nullptr; entry = entry->NextSiblingElement()) {
        const char* key = entry->Value();
        const char* value = entry->GetText();
        if (key != nullptr && value != nullptr)
            m_mapPaths[key] = value;
    }

    if (const TiXmlElement* subversion = rootHandle.FirstChild(kSubversionElement).Element()) {
        // A missing or non-numeric attribute leaves its member as it is.
        subversion->QueryIntAttribute(kAutomaticUpdateAtStart, &bAutomaticUpdateAtStart);
        subversion->QueryIntAttribute(kAutomaticUpdate, &bAutomaticUpdate);
        subversion->QueryIntAttribute(kTimerMilisec, &iTimerMilisec);
    }
    return true;
}

bool CAppSettings::SaveToFile(const std::string& strFileName) const {
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));

    auto* root = new TiXmlElement(m_strName.c_str());
    document.LinkEndChild(root);

    auto* comment = new TiXmlComment();
    comment->SetValue((" Settings for " + m_strName + " ").c_str());
    root->LinkEndChild(comment);

    auto* paths = new TiXmlElement(kPathsElement);
    root->LinkEndChild(paths);
    for (const auto& [key, value] : m_mapPaths) {
        auto* entry = new TiXmlElement(key.c_str());
        entry->LinkEndChild(new TiXmlText(value.c_str()));
        paths->LinkEndChild(entry);
    }

    auto* subversion = new TiXmlElement(kSubversionElement);
    root->LinkEndChild(subversion);
    subversion->SetAttribute(kAutomaticUpdateAtStart, bAutomaticUpdateAtStart);
    subversion->SetAttribute(kAutomaticUpdate, bAutomaticUpdate);
    subversion->SetAttribute(kTimerMilisec, iTimerMilisec);

    // The printer lays the document out as the library's own file save does: four blanks per level,
    // one element per line.
    TiXmlPrinter printer;
    document.Accept(&printer);
    return platform::ReplaceFileContent(QString::fromLocal8Bit(strFileName),
                                        QByteArray(printer.CStr(), static_cast<qsizetype>(printer.Size())));
}

void CAppSettings::LoadAtStartup(const std::string& strFileName) {
    LoadFromFile(strFileName);
    m_strName = "Corvane";
    if (iTimerMilisec < kMinimumTimerMilisec)
        iTimerMilisec = kMinimumTimerMilisec;
    m_mapPaths.clear();
    m_mapPaths["path1"] = "chemin\\du\\projet-1";
    m_mapPaths["path2"] = "chemin\\du\\projet-2";
}
