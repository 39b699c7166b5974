#include "git/CGitReader.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>

namespace {

constexpr std::string_view kStatusStart = "# branch.oid ";
// The fields before the path in each kind of entry of status's answer.
constexpr int kOrdinaryFields = 8;
constexpr int kRenamedFields = 9;
constexpr int kUnmergedFields = 10;
constexpr int kLogFields = 6;

std::vector<std::string_view> Fields(std::string_view text, char separator) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t end = text.find(separator); end != std::string_view::npos;
         end = text.find(separator, start)) {
        fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (start < text.size())
        fields.push_back(text.substr(start));
    return fields;
}

QString Whole(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Cut to the length kept for showing, never within a surrogate pair.
QString Cut(std::string_view text) {
    QString whole = Whole(text);
    if (whole.size() <= CGitReader::kMaxFieldLength)
        return whole;
    const qsizetype kept = whole.at(CGitReader::kMaxFieldLength - 1).isHighSurrogate()
                               ? CGitReader::kMaxFieldLength - 1
                               : CGitReader::kMaxFieldLength;
    return whole.left(kept);
}

bool IsCommitName(std::string_view text) {
    return (text.size() == 40 || text.size() == 64) && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

// The field after the first count blank-separated ones; none when there are fewer.
std::optional<std::string_view> AfterFields(std::string_view entry, int count) {
    std::size_t position = 0;
    for (int i = 0; i < count; ++i) {
        position = entry.find(' ', position);
        if (position == std::string_view::npos)
            return std::nullopt;
        ++position;
    }
    return entry.substr(position);
}

// A letter of --name-status (with a rename's or copy's score); a commit's first one follows a line
// break.
bool IsChangeLetter(std::string_view field) {
    return !field.empty() && field.size() <= 5 &&
           std::string_view("ACDMRTUXB").find(field[0]) != std::string_view::npos &&
           std::all_of(field.begin() + 1, field.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A whole number written in decimal digits only.
std::optional<qlonglong> Number(std::string_view text) {
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    bool bNumber = false;
    const qlonglong number = Whole(text).toLongLong(&bNumber);
    return bNumber ? std::optional(number) : std::nullopt;
}

} // namespace

bool CGitReader::ReadStatus(const std::string& output, GitStatus& status) {
    const std::size_t start = output.find(kStatusStart);
    if (start == std::string::npos)
        return false;
    const std::vector<std::string_view> fields = Fields(std::string_view(output).substr(start), '\0');
    GitStatus read;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string_view entry = fields[i];
        if (entry.starts_with(kStatusStart)) {
            const std::string_view head = entry.substr(kStatusStart.size());
            read.m_strHead = head == "(initial)" ? QString() : Whole(head);
        } else if (entry.starts_with("# branch.head ")) {
            const std::string_view branch = entry.substr(std::string_view("# branch.head ").size());
            read.m_strBranch = branch == "(detached)" ? QString() : Whole(branch);
        } else if (entry.size() > 2 && (entry[0] == '?' || entry[0] == '!')) {
            read.m_Changes.push_back({QString(2, QLatin1Char(entry[0])), Whole(entry.substr(2)), {}});
        } else if (entry.size() > 4 && (entry[0] == '1' || entry[0] == '2' || entry[0] == 'u')) {
            const int count = entry[0] == '1'   ? kOrdinaryFields
                              : entry[0] == '2' ? kRenamedFields
                                                : kUnmergedFields;
            const std::optional<std::string_view> path = AfterFields(entry, count);
            if (!path)
                return false;
            GitLocalChange change{Whole(entry.substr(2, 2)), Whole(*path), {}};
            // A rename's or copy's entry is followed by the path it came from, which an answer cut
            // short may lack.
            if (entry[0] == '2') {
                if (i + 1 >= fields.size())
                    break;
                change.m_strFrom = Whole(fields[++i]);
            }
            read.m_Changes.push_back(std::move(change));
        }
    }
    status = std::move(read);
    return true;
}

bool CGitReader::ReadConfig(const std::string& output, GitConfig& config) {
    GitConfig read;
    for (const std::string_view entry : Fields(output, '\0')) {
        const std::size_t lineBreak = entry.find('\n');
        // A key without a value stands for true.
        if (lineBreak == std::string_view::npos)
            read.insert(Whole(entry), QStringLiteral("true"));
        else
            read.insert(Whole(entry.substr(0, lineBreak)), Whole(entry.substr(lineBreak + 1)));
    }
    config = std::move(read);
    return true;
}

bool CGitReader::ReadRemoteTip(const std::string& output, const QString& ref, QString& commit) {
    const QByteArray wanted = ref.toUtf8();
    for (const std::string_view line : Fields(output, '\n')) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos || !IsCommitName(line.substr(0, tab)))
            continue;
        std::string_view name = line.substr(tab + 1);
        if (name.ends_with('\r'))
            name.remove_suffix(1);
        if (name == std::string_view(wanted.constData(), static_cast<std::size_t>(wanted.size()))) {
            commit = Whole(line.substr(0, tab));
            return true;
        }
    }
    return false;
}

bool CGitReader::ReadCounts(const std::string& output, qlonglong& onlyLeft, qlonglong& onlyRight) {
    for (std::string_view line : Fields(output, '\n')) {
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        const std::size_t tab = line.find('\t');
        const std::optional<qlonglong> left = Number(line.substr(0, tab));
        const std::optional<qlonglong> right =
            tab == std::string_view::npos ? std::nullopt : Number(line.substr(tab + 1));
        if (left && right) {
            onlyLeft = *left;
            onlyRight = *right;
            return true;
        }
    }
    return false;
}

bool CGitReader::ReadLog(const std::string& output, std::vector<GitCommit>& commits) {
    const std::vector<std::string_view> fields = Fields(output, '\0');
    std::vector<GitCommit> read;
    std::size_t i = 0;
    while (i < fields.size()) {
        if (i + kLogFields > fields.size() || !IsCommitName(fields[i]))
            return false;
        GitCommit commit{Whole(fields[i]),
                         Cut(fields[i + 1]),
                         Cut(fields[i + 2]),
                         Cut(fields[i + 3]),
                         Cut(fields[i + 4]),
                         Whole(fields[i + 5]),
                         {}};
        while (commit.m_strMessage.endsWith(QLatin1Char('\n')))
            commit.m_strMessage.chop(1);
        i += kLogFields;
        while (i < fields.size()) {
            std::string_view letter = fields[i];
            if (letter.starts_with('\n'))
                letter.remove_prefix(1);
            if (!IsChangeLetter(letter))
                break;
            // A rename or a copy names the path it came from first.
            const bool bFromPath = letter.starts_with('R') || letter.starts_with('C');
            const std::size_t pathCount = bFromPath ? 2 : 1;
            if (i + pathCount >= fields.size())
                return false;
            const QString path = Whole(fields[i + pathCount]);
            commit.m_ChangedPaths.push_back(
                {Whole(letter.substr(0, 1)),
                 bFromPath ? QStringLiteral("%1 (from %2)").arg(path, Whole(fields[i + 1])) : path});
            i += 1 + pathCount;
        }
        read.push_back(std::move(commit));
    }
    commits = std::move(read);
    return true;
}

bool CGitReader::ReadObjectName(const std::string& output, QString& name) {
    std::string_view line(output);
    while (line.ends_with('\n') || line.ends_with('\r'))
        line.remove_suffix(1);
    if (!IsCommitName(line))
        return false;
    name = Whole(line);
    return true;
}

bool CGitReader::ReadMergeConflicts(const std::string& output, QStringList& paths) {
    const std::vector<std::string_view> fields = Fields(output, '\0');
    if (fields.empty() || !IsCommitName(fields.front()))
        return false;
    QStringList read;
    // The paths end at the empty field that would open git's messages.
    for (auto field = fields.begin() + 1; field != fields.end() && !field->empty(); ++field)
        read.append(Whole(*field));
    paths = std::move(read);
    return true;
}
