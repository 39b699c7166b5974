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
// ChildEnvironment's, with ssh told never to start its askpass program (SSH_ASKPASS_REQUIRE=never).
// Without a terminal, a key or password that ssh would have to ask for then fails the run at once.
QByteArrayList BackgroundChildEnvironment();
QByteArrayList BackgroundChildEnvironment(const QByteArrayList& environment);

} // namespace platform
