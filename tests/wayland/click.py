#!/usr/bin/env python3
"""Clicks a mouse button at a point of a wlroots compositor's screen, through the virtual pointer
protocol (zwlr_virtual_pointer_manager_v1), speaking the Wayland wire protocol itself.
usage: click.py <x> <y> <width> <height> [left|right]"""

import os
import socket
import struct
import sys
import time

BUTTONS = {"left": 0x110, "right": 0x111}


class Connection:
    def __init__(self):
        path = os.path.join(os.environ["XDG_RUNTIME_DIR"], os.environ.get("WAYLAND_DISPLAY", "wayland-0"))
        self.socket = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.socket.connect(path)
        self.buffer = b""

    def send(self, object_id, opcode, payload=b""):
        self.socket.sendall(struct.pack("<II", object_id, (8 + len(payload)) << 16 | opcode) + payload)

    def events(self):
        while True:
            while len(self.buffer) >= 8:
                object_id, word = struct.unpack_from("<II", self.buffer)
                size = word >> 16
                if len(self.buffer) < size:
                    break
                payload = self.buffer[8:size]
                self.buffer = self.buffer[size:]
                yield object_id, word & 0xFFFF, payload
            self.buffer += self.socket.recv(65536)


def string(text):
    data = text.encode() + b"\0"
    return struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)


def main():
    x, y, width, height = (int(value) for value in sys.argv[1:5])
    button = BUTTONS[sys.argv[5] if len(sys.argv) > 5 else "left"]
    wayland = Connection()
    wayland.send(1, 1, struct.pack("<I", 2))  # wl_display.get_registry -> 2
    wayland.send(1, 0, struct.pack("<I", 3))  # wl_display.sync -> 3
    manager = None
    for object_id, opcode, payload in wayland.events():
        if object_id == 2 and opcode == 0:  # wl_registry.global
            name, length = struct.unpack_from("<II", payload)
            interface = payload[8:8 + length - 1].decode()
            if interface == "zwlr_virtual_pointer_manager_v1":
                manager = name
        elif object_id == 3:
            break
    if manager is None:
        sys.exit("the compositor offers no virtual pointer")
    wayland.send(2, 0, struct.pack("<I", manager) + string("zwlr_virtual_pointer_manager_v1") + struct.pack("<II", 1, 4))
    wayland.send(4, 0, struct.pack("<II", 0, 5))  # create_virtual_pointer(no seat) -> 5
    now = int(time.monotonic() * 1000) & 0xFFFFFFFF
    wayland.send(5, 1, struct.pack("<IIIII", now, x, y, width, height))  # motion_absolute
    wayland.send(5, 4, struct.pack("<I", now))  # frame
    time.sleep(0.2)
    wayland.send(5, 2, struct.pack("<III", now + 200, button, 1))
    wayland.send(5, 4, struct.pack("<I", now + 200))
    time.sleep(0.1)
    wayland.send(5, 2, struct.pack("<III", now + 300, button, 0))
    wayland.send(5, 4, struct.pack("<I", now + 300))
    wayland.send(1, 0, struct.pack("<I", 6))  # wl_display.sync -> 6: all was read
    for object_id, _, _ in wayland.events():
        if object_id == 6:
            break
    # The pointer stays while the menu it opened is up.
    time.sleep(float(os.environ.get("CLICK_HOLD", "0")))


if __name__ == "__main__":
    main()
