#pragma once

#include <QString>

// What one `svn info --xml` run tells about a working copy or a repository URL.
// A member whose element svn did not print keeps its previous value.
struct SVNInfo {
    QString m_strKind;
    QString m_strPath;
    QString m_strRevision;
    QString m_strUrl;
    QString m_strRoot;
    QString m_strUuid;
    QString m_strSchedule;
    QString m_strCommitRevision;
    QString m_strCommitAuthor;
    QString m_strCommitDate;

    friend bool operator==(const SVNInfo&, const SVNInfo&) = default;
};

// The result of one info run; every code but InfoOk is a failure.
enum SVNInfoResult : int {
    InfoOk = 0,
    InfoHostNotFound = 1,
    InfoNotWorkingCopy = 2,
    InfoBadXml = 3,
};
