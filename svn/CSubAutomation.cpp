#include "svn/CSubAutomation.h"

#include "platform/CommandLine.h"
#include "platform/DebugCopy.h"
#include "svn/CExternalsReader.h"
#include "svn/CLogReader.h"
#include "svn/CSvnDocument.h"
#include "svn/DecodeQuotedUtf8.h"

#include <QStringList>
#include <algorithm>
#include <mutex>
#include <tinyxml.h>
#include <utility>

namespace {

constexpr const char* kNotWorkingCopy = "pas une copie de travail";
constexpr const char* kHostNotFound = "Could not resolve hostname";
// A name no one commits with, so that svn finds no password cached for it and must ask.
constexpr const char* kRealmProbeUser = "corvane-realm-probe";
// A server names its realm as soon as it is asked; an svn that waits longer waits for an answer that
// no one gives (a console of its own, on some systems).
constexpr std::chrono::seconds kRealmTimeLimit{30};

// TinyXML parses and frees nested elements recursively, so a hostile document could exhaust the
// stack. Nesting can never exceed the number of start tags, and svn prints a few dozen at most.
constexpr std::size_t kMaxStartTags = 1000;
constexpr const char* kTooManyTags = "Document has too many elements.";
constexpr const char* kTooLong = "Output is too long.";
// Paths and URLs are kept whole, as they name targets; every other text is cut.
constexpr qsizetype kMaxFieldLength = CSvnDocument::kMaxFieldLength;
constexpr qsizetype kWhole = CSvnDocument::kWhole;

// Only a match after the output's first byte counts.
bool ContainsAfterFirstByte(const std::string& output, const char* wording) {
    return output.find(wording, 1) != std::string::npos;
}

bool IsRevisionNumber(const QString& revision) {
    return !revision.isEmpty() && std::all_of(revision.begin(), revision.end(), [](QChar character) {
        return character >= QLatin1Char('0') && character <= QLatin1Char('9');
    });
}

// Every '<' that does not begin an end tag, a declaration or a comment may open an element.
std::size_t CountStartTags(const std::string& output) {
    std::size_t count = 0;
    for (std::size_t position = output.find('<'); position != std::string::npos;
         position = output.find('<', position + 1)) {
        const char next = position + 1 < output.size() ? output[position + 1] : '\0';
        if (next != '/' && next != '?' && next != '!')
            ++count;
    }
    return count;
}

void AssignAttribute(const TiXmlHandle& element, const char* name, QString& member,
                     qsizetype maxLength = kMaxFieldLength) {
    if (const TiXmlElement* found = element.ToElement())
        member = CSvnDocument::Text(found->Attribute(name), maxLength);
}

void AssignText(const TiXmlHandle& element, QString& member, qsizetype maxLength = kMaxFieldLength) {
    if (const TiXmlElement* found = element.ToElement())
        member = CSvnDocument::ElementText(found, maxLength);
}

void FillRecord(TiXmlDocument& document, SVNInfo& record) {
    const TiXmlHandle entry = TiXmlHandle(&document).FirstChildElement("info").FirstChildElement("entry");
    AssignAttribute(entry, "kind", record.m_strKind);
    AssignAttribute(entry, "path", record.m_strPath, kWhole);
    AssignAttribute(entry, "revision", record.m_strRevision);
    AssignText(entry.FirstChildElement("url"), record.m_strUrl, kWhole);
    AssignText(entry.FirstChildElement("repository").FirstChildElement("root"), record.m_strRoot, kWhole);
    AssignText(entry.FirstChildElement("repository").FirstChildElement("uuid"), record.m_strUuid);
    AssignText(entry.FirstChildElement("wc-info").FirstChildElement("schedule"), record.m_strSchedule);
    const TiXmlHandle commit = entry.FirstChildElement("commit");
    AssignAttribute(commit, "revision", record.m_strCommitRevision);
    AssignText(commit.FirstChildElement("author"), record.m_strCommitAuthor);
    AssignText(commit.FirstChildElement("date"), record.m_strCommitDate);
}

// The copy is for a person looking into a problem; failing to write it changes nothing.
void WriteDebugCopy(const std::string& rawOutput) {
    // Checks may run side by side; one copy at a time keeps it one run's whole output.
    static std::mutex lock;
    const std::lock_guard guard(lock);
    platform::WriteDebugCopy(rawOutput);
}

// One of svn's own messages: "svn: E170013: ..." or "svn: warning: W155010: ...". Plain string tests,
// not a regular expression: a match on a worker thread gives that thread a JIT stack of its own,
// which the Windows C++ runtime frees twice when the thread ends.
bool IsSvnMessage(const QString& line) {
    for (const QLatin1String prefix : {QLatin1String("svn: E"), QLatin1String("svn: warning: W")}) {
        if (line.startsWith(prefix) && line.size() > prefix.size() && line.at(prefix.size()).isDigit())
            return true;
    }
    return false;
}

} // namespace

CSubAutomation::CSubAutomation(std::chrono::milliseconds timeLimit, std::stop_token stopToken)
    : m_msTimeLimit(timeLimit), m_StopToken(std::move(stopToken)) {}

int CSubAutomation::GetInfo(const QString& target, SVNInfo& record) {
    const std::string rawOutput = RunSvn(QStringLiteral("info --xml"), target);
    const int result = ReadOutput(rawOutput, record);
    if (result == InfoOk)
        WriteDebugCopy(rawOutput);
    return result;
}

bool CSubAutomation::GetStatus(const QString& path, SVNStatus& status) {
    const std::string output =
        RunSvn(QStringLiteral("status -u --xml --ignore-externals"), path, {}, kListingOutputLimit);
    return Kept(CStatusReader::Read(output, status), output);
}

bool CSubAutomation::GetExternals(const QString& path, std::vector<SVNExternal>& externals) {
    const std::string output =
        RunSvn(QStringLiteral("propget svn:externals --xml -R"), path, {}, kListingOutputLimit);
    return Kept(CExternalsReader::Read(output, path, externals), output);
}

QString CSubAutomation::GetRealm(const QString& url, const QString& realmPrefix) {
    if (realmPrefix.isEmpty())
        return {};
    // No password store is opened either: a keyring or wallet must not ask to be unlocked. The
    // question, which names the realm, must come to the output, where no one answers it.
    const std::string output = RunSvn(QStringLiteral("info --force-interactive --config-option "
                                                     "config:auth:password-stores= --username %1")
                                          .arg(QLatin1String(kRealmProbeUser)),
                                      url, {}, kDefaultOutputLimit,
                                      std::min<std::chrono::milliseconds>(m_msTimeLimit, kRealmTimeLimit),
                                      platform::ChildConsole::None);
    // The prompt's own words are translated; the realm is found by the address it starts with.
    const QString text = QString::fromLocal8Bit(output.data(), static_cast<qsizetype>(output.size()));
    const qsizetype start = text.indexOf(realmPrefix);
    if (start < 0)
        return {};
    const qsizetype end = text.indexOf(QLatin1Char('\n'), start);
    QString realm = text.mid(start, end < 0 ? -1 : end - start);
    if (realm.endsWith(QLatin1Char('\r')))
        realm.chop(1);
    return realm;
}

bool CSubAutomation::GetLog(const QString& url, const QString& newest, const QString& oldest, int limit,
                            std::vector<SVNLogEntry>& entries) {
    if (!IsRevisionNumber(newest) || !IsRevisionNumber(oldest))
        return false;
    const QString arguments =
        QStringLiteral("log --xml -v --limit %1 -r %2:%3").arg(limit).arg(newest, oldest);
    const std::string output = RunSvn(arguments, url, {}, kListingOutputLimit);
    return Kept(CLogReader::Read(output, entries), output);
}

std::string CSubAutomation::GetDiff(const QString& url, const QString& revision) {
    if (!IsRevisionNumber(revision))
        return {};
    // The revision is also the peg, so that a folder deleted since is still found as it was.
    return RunSvn(QStringLiteral("diff -c %1").arg(revision), url, revision);
}

std::string CSubAutomation::RunSvn(const QString& arguments, const QString& target, const QString& peg,
                                   std::size_t outputLimit,
                                   std::optional<std::chrono::milliseconds> timeLimit,
                                   platform::ChildConsole console) {
    m_nLastOutputLimit = outputLimit;
    // svn would read an empty target as its own current folder; it fails as if svn printed nothing.
    if (target.isEmpty()) {
        m_eLastRunEnd = RunEnd::Ended;
        return {};
    }
    return RunSvnLine(arguments + QStringLiteral(" -- ") +
                          platform::QuoteArgument(target + QLatin1Char('@') + peg),
                      outputLimit, timeLimit, console);
}

std::string CSubAutomation::RunSvnLine(const QString& line, std::size_t outputLimit,
                                       std::optional<std::chrono::milliseconds> timeLimit,
                                       platform::ChildConsole console) {
    m_nLastOutputLimit = outputLimit;
    return RunCommand(QStringLiteral("svn.exe"), line, timeLimit.value_or(m_msTimeLimit), m_StopToken,
                      outputLimit, &m_eLastRunEnd, console, &m_LastExitCode);
}

bool CSubAutomation::RunOnTargets(const QString& arguments, const QStringList& targets, std::string& output) {
    if (targets.isEmpty())
        return false;
    // All targets but the last go before the "--" that RunSvn writes; a trailing '@' keeps an '@'
    // in any of them from being read as a peg, and the program's own scratch paths are absolute,
    // so none of them reads as an option.
    QString line = arguments;
    for (qsizetype i = 0; i + 1 < targets.size(); ++i)
        line += QLatin1Char(' ') + platform::QuoteArgument(targets[i] + QLatin1Char('@'));
    output = RunSvn(line, targets.back());
    const bool bOk = m_eLastRunEnd == RunEnd::Ended && m_LastExitCode == 0;
    return Kept(bOk, output);
}

bool CSubAutomation::CheckoutEmpty(const QString& url, const QString& revision, const QString& folder) {
    if (!IsRevisionNumber(revision))
        return false;
    // The revision is also the peg, so that a folder moved or deleted since is found as it was. svn
    // takes the folder that the checkout goes to as it is written, '@' and all.
    const std::string output =
        RunSvnLine(QStringLiteral("checkout -q --depth empty -r %1 -- %2 %3")
                       .arg(revision, platform::QuoteArgument(url + QLatin1Char('@') + revision),
                            platform::QuoteArgument(folder)));
    return Kept(m_eLastRunEnd == RunEnd::Ended && m_LastExitCode == 0, output);
}

bool CSubAutomation::GetProperties(const QString& path, std::map<QString, QByteArray>& properties) {
    // The XML gives the names only: TinyXML condenses the blanks and line breaks of a value.
    const std::string output = RunSvn(QStringLiteral("proplist --xml"), path);
    CSvnDocument document;
    const TiXmlElement* root = nullptr;
    if (document.Parse(output, kDefaultOutputLimit))
        root = document.Document().FirstChildElement("properties");
    if (root == nullptr)
        return Kept(false, output);
    // An item without properties has no target element.
    const TiXmlElement* target = root->FirstChildElement("target");
    std::map<QString, QByteArray> read;
    for (const TiXmlElement* property = target ? target->FirstChildElement("property") : nullptr;
         property != nullptr; property = property->NextSiblingElement("property")) {
        const QString name = CSvnDocument::Text(property->Attribute("name"), kWhole);
        std::string value;
        if (!RunOnTargets(QStringLiteral("propget --no-newline ") + platform::QuoteArgument(name), {path},
                          value))
            return false;
        read.emplace(name, QByteArray::fromStdString(value));
    }
    properties = std::move(read);
    return true;
}

bool CSubAutomation::Kept(bool bRead, const std::string& rawOutput) {
    // Only a failed run's output is kept as text, for FailureReason; a long answer that reads is not
    // copied again.
    if (!bRead)
        m_strOutput = QString::fromLocal8Bit(rawOutput.data(), static_cast<qsizetype>(rawOutput.size()));
    return bRead;
}

QString CSubAutomation::FailureReason() const {
    switch (m_eLastRunEnd) {
    case RunEnd::NotStarted:
        return QStringLiteral("svn was not found on the PATH");
    case RunEnd::TimedOut:
        return QStringLiteral("svn did not answer within %1 s")
            .arg(std::chrono::ceil<std::chrono::seconds>(m_msTimeLimit).count());
    case RunEnd::Stopped:
        return QStringLiteral("the check was stopped before svn answered");
    case RunEnd::Cut:
        return QStringLiteral("svn's answer was longer than %1 MiB").arg(m_nLastOutputLimit >> 20);
    case RunEnd::Ended:
        break;
    }
    const QStringList lines = m_strOutput.split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (IsSvnMessage(line))
            return line.trimmed().left(kMaxFieldLength);
    }
    return QStringLiteral("svn's answer could not be read");
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
    if (rawOutput.size() > kDefaultOutputLimit) {
        m_strMessage = pattern.arg(m_strOutput, QString::fromLatin1(kTooLong));
        return InfoBadXml;
    }
    if (CountStartTags(rawOutput) > kMaxStartTags) {
        m_strMessage = pattern.arg(m_strOutput, QString::fromLatin1(kTooManyTags));
        return InfoBadXml;
    }
    const std::string padded =
        CSvnDocument::Padded(std::string_view(rawOutput).substr(CSvnDocument::DocumentStart(rawOutput)));
    TiXmlDocument document;
    document.Parse(padded.c_str());
    if (document.Error()) {
        // Both texts go in at once, so a "%2" inside svn's output is never taken for a placeholder.
        m_strMessage = pattern.arg(m_strOutput, CSvnDocument::Text(document.ErrorDesc(), kWhole));
        return InfoBadXml;
    }
    FillRecord(document, record);
    return InfoOk;
}
