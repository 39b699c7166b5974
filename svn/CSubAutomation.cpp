#include "svn/CSubAutomation.h"

#include "platform/CommandLine.h"
#include "platform/SystemInfo.h"
#include "svn/DecodeQuotedUtf8.h"

#include <QFile>
#include <tinyxml.h>

namespace {

constexpr const char* kNotWorkingCopy = "pas une copie de travail";
constexpr const char* kHostNotFound = "Could not resolve hostname";

// TinyXML parses and frees elements recursively; nesting beyond this would risk the stack, and svn
// never prints more than a handful of levels.
constexpr int kMaxNesting = 256;
constexpr const char* kTooDeep = "Document nested too deeply.";

QString Text(const char* narrow) {
    return narrow ? QString::fromLocal8Bit(narrow) : QString();
}

// Only a match after the output's first byte counts.
bool ContainsAfterFirstByte(const std::string& output, const char* wording) {
    return output.find(wording, 1) != std::string::npos;
}

// An upper bound for the element nesting of a document: every '<' that opens a tag counts one
// level down, every end tag and "/>" one level up.
bool NestsTooDeeply(const std::string& output) {
    int depth = 0;
    for (std::size_t position = 0; position < output.size(); ++position) {
        const char character = output[position];
        const char next = position + 1 < output.size() ? output[position + 1] : '\0';
        if (character == '<' && next == '/')
            --depth;
        else if (character == '<' && next != '?' && next != '!' && ++depth > kMaxNesting)
            return true;
        else if (character == '/' && next == '>')
            --depth;
    }
    return false;
}

void AssignAttribute(const TiXmlHandle& element, const char* name, QString& member) {
    if (const TiXmlElement* found = element.ToElement())
        member = Text(found->Attribute(name));
}

void AssignText(const TiXmlHandle& element, QString& member) {
    const TiXmlElement* found = element.ToElement();
    if (!found)
        return;
    const TiXmlNode* child = found->FirstChild();
    const TiXmlText* text = child ? child->ToText() : nullptr;
    member = text ? Text(text->Value()) : QString();
}

void FillRecord(TiXmlDocument& document, SVNInfo& record) {
    const TiXmlHandle entry = TiXmlHandle(&document).FirstChildElement("info").FirstChildElement("entry");
    AssignAttribute(entry, "kind", record.m_strKind);
    AssignAttribute(entry, "path", record.m_strPath);
    AssignAttribute(entry, "revision", record.m_strRevision);
    AssignText(entry.FirstChildElement("url"), record.m_strUrl);
    AssignText(entry.FirstChildElement("repository").FirstChildElement("root"), record.m_strRoot);
    AssignText(entry.FirstChildElement("repository").FirstChildElement("uuid"), record.m_strUuid);
    AssignText(entry.FirstChildElement("wc-info").FirstChildElement("schedule"), record.m_strSchedule);
    const TiXmlHandle commit = entry.FirstChildElement("commit");
    AssignAttribute(commit, "revision", record.m_strCommitRevision);
    AssignText(commit.FirstChildElement("author"), record.m_strCommitAuthor);
    AssignText(commit.FirstChildElement("date"), record.m_strCommitDate);
}

// The copy is for a person looking into a problem; failing to write it changes nothing. It is
// overwritten and then cut to length rather than truncated first: ext4 flushes a file that was
// truncated to nothing when it is closed, which made every run measurably slower.
void WriteDebugCopy(const std::string& rawOutput) {
    QFile file(platform::DebugCopyPath());
    if (!file.open(QIODevice::ReadWrite))
        return;
    const qint64 size = static_cast<qint64>(rawOutput.size());
    if (file.write(rawOutput.data(), size) == size)
        file.resize(size);
}

} // namespace

CSubAutomation::CSubAutomation(std::chrono::milliseconds timeLimit) : m_msTimeLimit(timeLimit) {}

int CSubAutomation::GetInfo(const QString& target, SVNInfo& record) {
    const std::string rawOutput =
        RunCommand(QStringLiteral("svn.exe"), QStringLiteral("info --xml ") + platform::QuoteArgument(target),
                   m_msTimeLimit);
    const int result = ReadOutput(rawOutput, record);
    if (result == InfoOk)
        WriteDebugCopy(rawOutput);
    return result;
}

int CSubAutomation::ReadOutput(const std::string& rawOutput, SVNInfo& record) {
    m_strOutput = QString::fromLocal8Bit(rawOutput.data(), static_cast<qsizetype>(rawOutput.size()));
    if (ContainsAfterFirstByte(rawOutput, kNotWorkingCopy))
        return InfoNotWorkingCopy;
    if (ContainsAfterFirstByte(rawOutput, kHostNotFound)) {
        m_strMessage = DecodeQuotedUtf8(m_strOutput);
        return InfoHostNotFound;
    }
    const QString pattern = QStringLiteral("Error parsing xlm in %1: %2");
    if (NestsTooDeeply(rawOutput)) {
        m_strMessage = pattern.arg(m_strOutput, QString::fromLatin1(kTooDeep));
        return InfoBadXml;
    }
    TiXmlDocument document;
    document.Parse(rawOutput.c_str());
    if (document.Error()) {
        // Both texts go in at once, so a "%2" inside svn's output is never taken for a placeholder.
        m_strMessage = pattern.arg(m_strOutput, Text(document.ErrorDesc()));
        return InfoBadXml;
    }
    FillRecord(document, record);
    return InfoOk;
}
