#include "svn/CLogReader.h"

#include "platform/CommandRunner.h"
#include "svn/CSvnDocument.h"

bool CLogReader::Read(const std::string& rawOutput, std::vector<SVNLogEntry>& entries) {
    CSvnDocument document;
    if (!document.Parse(rawOutput, kListingOutputLimit))
        return false;
    const TiXmlElement* log = document.Document().FirstChildElement("log");
    if (log == nullptr)
        return false;
    std::vector<SVNLogEntry> read;
    for (const TiXmlElement* logEntry = log->FirstChildElement("logentry"); logEntry != nullptr;
         logEntry = logEntry->NextSiblingElement("logentry")) {
        SVNLogEntry entry;
        entry.m_strRevision =
            CSvnDocument::Text(logEntry->Attribute("revision"), CSvnDocument::kMaxFieldLength);
        entry.m_strAuthor =
            CSvnDocument::ElementText(logEntry->FirstChildElement("author"), CSvnDocument::kMaxFieldLength);
        entry.m_strDate =
            CSvnDocument::ElementText(logEntry->FirstChildElement("date"), CSvnDocument::kMaxFieldLength);
        entry.m_strMessage =
            CSvnDocument::ElementText(logEntry->FirstChildElement("msg"), CSvnDocument::kWhole);
        if (const TiXmlElement* paths = logEntry->FirstChildElement("paths")) {
            for (const TiXmlElement* path = paths->FirstChildElement("path"); path != nullptr;
                 path = path->NextSiblingElement("path"))
                entry.m_ChangedPaths.push_back(
                    {CSvnDocument::Text(path->Attribute("action"), CSvnDocument::kMaxFieldLength),
                     CSvnDocument::ElementText(path, CSvnDocument::kWhole)});
        }
        read.push_back(std::move(entry));
    }
    entries = std::move(read);
    return true;
}
