#include "svn/CStatusReader.h"

#include "platform/CommandRunner.h"
#include "platform/PathNames.h"
#include "svn/CSvnDocument.h"

#include <string_view>

namespace {

bool Is(const char* what, std::string_view value) {
    return what != nullptr && std::string_view(what) == value;
}

bool Changed(const char* what) {
    return what != nullptr && std::string_view(what) != "none";
}

// svn prints each item as the status target followed by the item's path below it.
QString PathBelow(const QString& target, const QString& item) {
    return platform::PathBelowFolder(target, item).value_or(item);
}

} // namespace

bool CStatusReader::Read(const std::string& rawOutput, SVNStatus& status) {
    CSvnDocument document;
    if (!document.Parse(rawOutput, kListingOutputLimit))
        return false;
    const TiXmlElement* root = document.Document().FirstChildElement("status");
    if (root == nullptr)
        return false;
    SVNStatus read;
    // svn prints an external's items under a target of their own in some versions; all paths are
    // taken relative to the folder that was asked about.
    QString askedPath;
    for (const TiXmlElement* target = root->FirstChildElement("target"); target != nullptr;
         target = target->NextSiblingElement("target")) {
        // svn's complaint about a target goes to standard error, which lands inside the target's
        // element: "W155007: ... is not a working copy" in a document that is otherwise complete.
        for (const TiXmlNode* child = target->FirstChild(); child != nullptr; child = child->NextSibling()) {
            if (child->ToText() != nullptr)
                return false;
        }
        if (target == root->FirstChildElement("target"))
            askedPath = CSvnDocument::Text(target->Attribute("path"), CSvnDocument::kWhole);
        for (const TiXmlElement* entry = target->FirstChildElement("entry"); entry != nullptr;
             entry = entry->NextSiblingElement("entry")) {
            const QString path =
                PathBelow(askedPath, CSvnDocument::Text(entry->Attribute("path"), CSvnDocument::kWhole));
            const TiXmlElement* local = entry->FirstChildElement("wc-status");
            if (local != nullptr && Is(local->Attribute("item"), "external"))
                read.m_Externals.append(path);
            if (local != nullptr && Is(local->Attribute("file-external"), "true"))
                read.m_FileExternals.append(path);
            if (local != nullptr && Is(local->Attribute("switched"), "true"))
                read.m_Switched.append(path);
            const TiXmlElement* repository = entry->FirstChildElement("repos-status");
            if (repository == nullptr ||
                (!Changed(repository->Attribute("item")) && !Changed(repository->Attribute("props"))))
                continue;
            const auto localText = [local](const char* name) {
                return local ? CSvnDocument::Text(local->Attribute(name), CSvnDocument::kMaxFieldLength)
                             : QString();
            };
            read.m_OutOfDate.push_back(
                {path, localText("revision"),
                 CSvnDocument::Text(repository->Attribute("item"), CSvnDocument::kMaxFieldLength),
                 localText("item"), localText("props")});
        }
    }
    status = std::move(read);
    return true;
}
