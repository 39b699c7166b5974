#pragma once

#include <QByteArrayList>

namespace platform {

// The environment a child process gets, as NAME=value entries: the given one (this process's own
// when none is given) with one change. When the character type it selects is not UTF-8 (LANG=C,
// LC_ALL=C, or a locale that is not installed), the child gets the C.UTF-8 character type and
// keeps every other category as it was. Qt encodes paths and arguments in UTF-8 and reads output
// as UTF-8, so svn then takes non-ASCII paths and its messages read back as they were written.
QByteArrayList ChildEnvironment();
QByteArrayList ChildEnvironment(const QByteArrayList& environment);

// The environment of a child that runs in the background, where nothing may ask the user anything:
// ChildEnvironment's, with these settings in place of any the environment holds. ssh never starts its
// askpass program; git asks neither on a terminal nor through an askpass program, and Git Credential
// Manager shows no dialog, while stored credentials still serve; and git takes no lock that it may
// go without, such as the index's while it refreshes it for status, which would make the user's own
// git commands fail meanwhile. Without a terminal, a key or password that would have to be asked for
// then fails the run at once.
inline constexpr const char* kBackgroundSettings[] = {"SSH_ASKPASS_REQUIRE=never", "GIT_TERMINAL_PROMPT=0",
                                                      "GIT_ASKPASS=", "GCM_INTERACTIVE=never",
                                                      "GIT_OPTIONAL_LOCKS=0"};
QByteArrayList BackgroundChildEnvironment();
QByteArrayList BackgroundChildEnvironment(const QByteArrayList& environment);

// The environment with the NAME=value settings in place of any entries of the same names.
QByteArrayList WithSettings(QByteArrayList environment, const QByteArrayList& settings);

} // namespace platform
