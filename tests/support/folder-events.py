#!/usr/bin/env python3
"""Prints every name that is created, moved in, moved out or deleted directly in the folders given
as arguments, one a line (folder/name), from the moment it prints "ready" until its standard input
ends; what happened before that end is printed before it exits. Linux's inotify, which queues each
event as it happens, so that a file that exists for a moment only is seen all the same."""
import ctypes
import os
import select
import struct
import sys

IN_CREATE, IN_DELETE, IN_MOVED_FROM, IN_MOVED_TO = 0x100, 0x200, 0x40, 0x80
libc = ctypes.CDLL(None, use_errno=True)
fd = libc.inotify_init1(os.O_NONBLOCK | os.O_CLOEXEC)
if fd < 0:
    sys.exit("inotify_init1 failed")
folders = {}
for folder in sys.argv[1:]:
    handle = libc.inotify_add_watch(fd, os.fsencode(folder), IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO)
    if handle < 0:
        sys.exit("cannot watch " + folder)
    folders[handle] = folder
print("ready", flush=True)


def drain():
    while True:
        try:
            data = os.read(fd, 65536)
        except BlockingIOError:
            return
        offset = 0
        while offset < len(data):
            handle, _, _, length = struct.unpack_from("iIII", data, offset)
            name = data[offset + 16:offset + 16 + length].rstrip(b"\0").decode(errors="replace")
            print(folders.get(handle, "?") + "/" + name, flush=True)
            offset += 16 + length


while True:
    readable, _, _ = select.select([fd, sys.stdin], [], [])
    drain()
    if sys.stdin in readable and not sys.stdin.read(1):
        drain()
        break
