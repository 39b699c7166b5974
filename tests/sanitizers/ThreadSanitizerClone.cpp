// Linked into every program of a ThreadSanitizer build, and only there.
//
// QProcess starts its children with clone(CLONE_VM | CLONE_VFORK), a vfork that shares the parent's
// memory. ThreadSanitizer's clone interceptor treats every clone as a fork and updates its own state
// in the child as well, which the parent then finds broken: the run stops with "CHECK failed:
// ((!thr->slot)) != (0)" at the first QProcess (clang 14 to 19 alike). This clone goes straight to the
// C library, as posix_spawn does internally, so the sanitizer sees the vfork as it sees posix_spawn's:
// not at all. The child only execs, so there is nothing in it for the sanitizer to check.
#include <cstdarg>

extern "C" int __clone(int (*fn)(void*), void* stack, int flags, void* arg, ...);

extern "C" int clone(int (*fn)(void*), void* stack, int flags, void* arg, ...) {
    va_list rest;
    va_start(rest, arg);
    void* parentTid = va_arg(rest, void*);
    void* tls = va_arg(rest, void*);
    void* childTid = va_arg(rest, void*);
    va_end(rest);
    return __clone(fn, stack, flags, arg, parentTid, tls, childTid);
}
