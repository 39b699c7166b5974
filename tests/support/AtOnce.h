#pragma once

#include <chrono>

// What "at once" means when a test checks that something ends without waiting: far above what a
// busy machine, or a sanitizer build, takes to wake a thread or to start, kill and reap a process,
// and far below the 30 s or more that the same run takes when it does wait, so that a slow machine
// can never be taken for a fault, nor a fault for a slow machine.
inline constexpr std::chrono::seconds kAtOnce{5};
