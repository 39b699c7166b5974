#pragma once

#include "svn/SVNChanges.h"

#include <string>
#include <vector>

// Reads what `svn log --xml -v` prints into log entries, in the order svn printed them.
class CLogReader final {
public:
    // Fills entries from svn's output; false, with entries untouched, when the output holds no
    // complete log document (svn failed, or the output was cut at kListingOutputLimit). Authors are cut
    // to a length fit for showing; messages are kept whole, line breaks included.
    static bool Read(const std::string& rawOutput, std::vector<SVNLogEntry>& entries);
};
