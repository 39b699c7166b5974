#pragma once

#include <QString>

// The paragraphs of the command-line usage that tell the system's own ways, as whole lines with
// their line breaks, laid out to sit among the rest of the usage text.
namespace platform {

// Where the watch list and the logs lie: the rule of UserFilesFolder, in the user's terms.
QString UserFilesUsage();

// How --check writes its lines, after "The lines come in the order the folders were given.": how it
// escapes what would break a line or reach the terminal as a control sequence, and on Windows what
// a console and a file or pipe get.
QString CheckOutputUsage();

// The line of --help itself, with the system's own way of asking for help where it has one.
QString HelpOptionUsage();

// The rest of --check's exit statuses, after "2 some in error or": what the system's requests to end
// and a vanished reader of the outcomes give, indented under the option.
QString CheckEndedUsage();

} // namespace platform
