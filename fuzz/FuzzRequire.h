#pragma once

#include <cstdio>
#include <cstdlib>

// Ends the fuzzing run with a message when a property of the code under test does not hold, so
// that libFuzzer keeps the input that broke it.
inline void FuzzRequire(bool holds, const char* property) {
    if (holds)
        return;
    std::fprintf(stderr, "property broken: %s\n", property);
    std::abort();
}
