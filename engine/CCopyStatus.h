#pragma once

#include "svn/CStatusReader.h"

#include <QString>
#include <QStringList>

class CSubAutomation;

// What svn's status tells of a whole working copy: the items of the copy itself and of each external
// folder, asked one part at a time, so that an external whose server does not answer is named and
// the other parts are judged all the same. An external whose definition names a revision is never
// moved by an update and is not asked about.
class CCopyStatus final {
public:
    // Reads the status of the copy at path and of its externals. False when the copy's own status
    // cannot be read; m_strFailure then says why.
    bool Read(CSubAutomation& svn, const QString& path);

    SVNStatus m_Status;     // every part's items, relative to the copy; file externals that follow HEAD
    QStringList m_Failures; // "<external>: <why>" for each external whose status could not be read
    QString m_strFailure;   // why the copy's own status could not be read

private:
    // Adds a part's status, read at the folder prefix below the copy, and reads its externals.
    void AddPart(CSubAutomation& svn, const QString& path, const QString& prefix, const SVNStatus& part);
};
