#pragma once

#include <map>
#include <string>

// The settings file's name, opened relative to the current directory.
inline constexpr char kSettingsFileName[] = "Corvane.xml";

// The application settings: a name, named paths and three integer values, kept in an XML file.
// The members are read and written directly by their users, on the UI thread only.
class CAppSettings final {
public:
    // Reads the settings document. False, with every member unchanged, when the file is missing,
    // unreadable, no regular file of at most 1 MiB, nested too deeply for the parser, empty, malformed
    // or has no root element; values that cannot be read are kept.
    bool LoadFromFile(const std::string& strFileName);
    // Writes the settings document. The old file is replaced only once the new one is complete:
    // false, with the old file untouched, when it cannot be written.
    bool SaveToFile(const std::string& strFileName) const;
    // The start-up sequence: reads the file, then names the settings "Corvane", raises the period to
    // at least 60000 ms and puts the two example paths in place of the stored ones.
    void LoadAtStartup(const std::string& strFileName = kSettingsFileName);

    std::string m_strName;
    std::map<std::string, std::string> m_mapPaths;
    int bAutomaticUpdateAtStart = 0;
    int bAutomaticUpdate = 0;
    int iTimerMilisec = 0;
};

// The settings of the running program; made before theLogFile and destroyed after it.
extern CAppSettings theSettings;
