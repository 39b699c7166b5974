#include "svn/CExternalsReader.h"

#include "platform/CommandRunner.h"
#include "platform/PathNames.h"
#include "svn/CSvnDocument.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

// A line split as svn splits it: at blanks, except inside quotes, and a backslash keeps the next
// character whatever it is.
QStringList Tokens(const QString& line) {
    QStringList tokens;
    QString token;
    bool bInToken = false;
    QChar quote;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar character = line.at(i);
        if (character == QLatin1Char('\\') && i + 1 < line.size()) {
            token += line.at(++i);
            bInToken = true;
        } else if (!quote.isNull()) {
            if (character == quote)
                quote = QChar();
            else
                token += character;
        } else if (character == QLatin1Char('"') || character == QLatin1Char('\'')) {
            quote = character;
            bInToken = true;
        } else if (character.isSpace()) {
            if (bInToken)
                tokens << token;
            token.clear();
            bInToken = false;
        } else {
            token += character;
            bInToken = true;
        }
    }
    if (bInToken)
        tokens << token;
    return tokens;
}

// What svn takes for a URL in a definition: an absolute one or one relative to the repository, the
// server, the scheme or the folder that holds the definition.
bool IsUrl(const QString& token) {
    return token.contains(QLatin1String("://")) || token.startsWith(QLatin1String("^/")) ||
           token.startsWith(QLatin1Char('/')) || token.startsWith(QLatin1String("../"));
}

bool NamesRevision(const QString& revision) {
    return !revision.isEmpty() && revision.compare(QLatin1String("HEAD"), Qt::CaseInsensitive) != 0;
}

// The peg revision of a URL: what follows its last '@', when that comes after its last '/'.
QString PegOf(const QString& url) {
    const qsizetype at = url.lastIndexOf(QLatin1Char('@'));
    return at > url.lastIndexOf(QLatin1Char('/')) ? url.mid(at + 1) : QString();
}

} // namespace

bool CExternalsReader::Read(const std::string& rawOutput, const QString& askedPath,
                            std::vector<SVNExternal>& externals) {
    CSvnDocument document;
    if (!document.Parse(rawOutput, kListingOutputLimit))
        return false;
    const TiXmlElement* root = document.Document().FirstChildElement("properties");
    if (root == nullptr)
        return false;
    // svn names each folder by its absolute path, whatever it was asked with.
    const QString absoluteAsked = QFileInfo(askedPath).absoluteFilePath();
    std::vector<SVNExternal> read;
    for (const TiXmlElement* target = root->FirstChildElement("target"); target != nullptr;
         target = target->NextSiblingElement("target")) {
        const QString folder = CSvnDocument::Text(target->Attribute("path"), CSvnDocument::kWhole);
        std::optional<QString> below = platform::PathBelowFolder(askedPath, folder);
        if (!below)
            below = platform::PathBelowFolder(absoluteAsked, folder);
        if (!below)
            continue;
        for (const TiXmlElement* property = target->FirstChildElement("property"); property != nullptr;
             property = property->NextSiblingElement("property")) {
            if (CSvnDocument::Text(property->Attribute("name"), CSvnDocument::kWhole) !=
                QLatin1String("svn:externals"))
                continue;
            for (SVNExternal& external :
                 Definitions(CSvnDocument::ElementText(property, CSvnDocument::kWhole))) {
                if (!below->isEmpty())
                    external.m_strPath = *below + QLatin1Char('/') + external.m_strPath;
                read.push_back(std::move(external));
            }
        }
    }
    externals = std::move(read);
    return true;
}

std::vector<SVNExternal> CExternalsReader::Definitions(const QString& value) {
    std::vector<SVNExternal> definitions;
    for (const QString& line : value.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;
        QStringList tokens = Tokens(trimmed);
        QString revision;
        for (qsizetype i = 0; i < tokens.size(); ++i) {
            if (!tokens[i].startsWith(QLatin1String("-r")))
                continue;
            revision = tokens[i].mid(2);
            tokens.removeAt(i);
            if (revision.isEmpty() && i < tokens.size())
                revision = tokens.takeAt(i);
            break;
        }
        if (tokens.size() != 2)
            continue;
        // The newer format starts with the URL; the older one ends with an absolute URL.
        const bool bNewFormat = IsUrl(tokens[0]);
        const QString url = bNewFormat ? tokens[0] : tokens[1];
        const QString path = QDir::cleanPath(bNewFormat ? tokens[1] : tokens[0]);
        definitions.push_back({path, NamesRevision(revision) || (bNewFormat && NamesRevision(PegOf(url)))});
    }
    return definitions;
}
