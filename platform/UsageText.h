#pragma once

#include <QString>

// The paragraphs of the command-line usage that tell the system's own ways, as whole lines with
// their line breaks, laid out to sit among the rest of the usage text.
namespace platform {

// Where the watch list and the logs lie: the rule of UserFilesFolder, in the user's terms.
QString UserFilesUsage();

// The rest of --check's exit statuses, after "2 some in error or": what the system's requests to end
// and a vanished reader of the outcomes give, indented under the option.
QString CheckEndedUsage();

} // namespace platform
