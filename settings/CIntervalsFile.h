#pragma once

#include <QString>
#include <map>
#include <optional>

// The folders that are checked at an interval of their own, kept beside the list file so that the
// list file keeps its one-path-a-line form: one line per folder, the path, a tab and the interval in
// minutes.
class CIntervalsFile final {
public:
    // The shortest and the longest interval a line may give, in minutes.
    static constexpr int kShortest = 1;
    static constexpr int kLongest = 7 * 24 * 60;

    explicit CIntervalsFile(QString strFileName);

    // The interval of each folder named, its path as the system writes it; a line without a path, a
    // tab or blank and a whole number of minutes in range is passed over. Nothing when the file
    // cannot be read or is no regular file.
    std::optional<std::map<QString, int>> ReadIntervals() const;
    // Replaces the file with one line per folder, as pathlist.ini is replaced: never through a link,
    // the old file untouched when any step fails.
    bool WriteIntervals(const std::map<QString, int>& intervals) const;

private:
    QString m_strFileName;
};
