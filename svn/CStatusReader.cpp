#include "svn/CStatusReader.h"

#include "platform/PathNames.h"
#include "svn/CSvnDocument.h"

#include <string_view>

namespace {

bool Changed(const char* what) {
    return what != nullptr && std::string_view(what) != "none";
}

// svn prints each item as the status target followed by the item's path below it.
QString PathBelow(const QString& target, const QString& item) {
    return platform::PathBelowFolder(target, item).value_or(item);
}

} // namespace

bool CStatusReader::ReadOutOfDate(const std::string& rawOutput, std::vector<SVNOutOfDateItem>& items) {
    CSvnDocument document;
    if (!document.Parse(rawOutput))
        return false;
    const TiXmlElement* status = document.Document().FirstChildElement("status");
    if (status == nullptr)
        return false;
    std::vector<SVNOutOfDateItem> read;
    for (const TiXmlElement* target = status->FirstChildElement("target"); target != nullptr;
         target = target->NextSiblingElement("target")) {
        // svn's complaint about a target goes to standard error, which lands inside the target's
        // element: "W155007: ... is not a working copy" in a document that is otherwise complete.
        for (const TiXmlNode* child = target->FirstChild(); child != nullptr; child = child->NextSibling()) {
            if (child->ToText() != nullptr)
                return false;
        }
        const QString targetPath = CSvnDocument::Text(target->Attribute("path"), CSvnDocument::kWhole);
        for (const TiXmlElement* entry = target->FirstChildElement("entry"); entry != nullptr;
             entry = entry->NextSiblingElement("entry")) {
            const TiXmlElement* repository = entry->FirstChildElement("repos-status");
            if (repository == nullptr ||
                (!Changed(repository->Attribute("item")) && !Changed(repository->Attribute("props"))))
                continue;
            const char* change = repository->Attribute("item");
            const TiXmlElement* local = entry->FirstChildElement("wc-status");
            read.push_back(
                {PathBelow(targetPath, CSvnDocument::Text(entry->Attribute("path"), CSvnDocument::kWhole)),
                 local ? CSvnDocument::Text(local->Attribute("revision"), CSvnDocument::kMaxFieldLength)
                       : QString(),
                 CSvnDocument::Text(change, CSvnDocument::kMaxFieldLength)});
        }
    }
    items = std::move(read);
    return true;
}
