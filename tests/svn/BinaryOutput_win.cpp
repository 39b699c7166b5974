// The child helper's output in binary mode, as svn's: the C runtime would otherwise turn every "\n" it
// writes into "\r\n" on Windows, and the tests compare bytes.
#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace {

[[maybe_unused]] const bool g_bBinaryOutput =
    _setmode(_fileno(stdout), _O_BINARY) != -1 && _setmode(_fileno(stderr), _O_BINARY) != -1;

} // namespace
