#!/usr/bin/python3
"""A Wayland compositor that answers one client's first question and nothing more: the registry's globals, then the
sync's done. Enough for the program to read which protocols a compositor offers, with no display anywhere.

Usage: wayland.py SOCKET GLOBAL...   prints "ready" once listening, serves one connection and ends. The socket goes as
                                     soon as that connection is taken, so that Qt's own attempt afterwards finds no
                                     compositor and gives up at once.
       wayland.py SOCKET hang-up     a compositor that has broken: it accepts every connection, reads what came
                                     first, and closes it without a word, until ended.
"""

import os
import socket
import struct
import sys
import time


def message(target, opcode, payload):
    return struct.pack("=II", target, (8 + len(payload)) << 16 | opcode) + payload


def string(text):
    data = text.encode() + b"\0"
    return struct.pack("=I", len(data)) + data + b"\0" * (-len(data) % 4)


def main():
    path, interfaces = sys.argv[1], sys.argv[2:]
    listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    listener.bind(path)
    listener.listen(8)
    print("ready", flush=True)
    if interfaces == ["hang-up"]:
        while True:
            client, _ = listener.accept()
            client.settimeout(1)
            try:
                client.recv(4096)
            except OSError:
                pass
            client.close()
    client, _ = listener.accept()
    os.unlink(path)
    # wl_display.get_registry, then wl_display.sync: each names its new object after the header.
    request = client.recv(24)
    registry, callback = struct.unpack_from("=I", request, 8)[0], struct.unpack_from("=I", request, 20)[0]
    events = b"".join(message(registry, 0, struct.pack("=I", name) + string(interface) + struct.pack("=I", 1))
                      for name, interface in enumerate(interfaces, 1))
    events += message(callback, 0, struct.pack("=I", 1)) + message(1, 1, struct.pack("=I", callback))
    # In two pieces, the first ending inside a message, as a socket may deliver them.
    cut = len(events) // 2 + 2
    client.sendall(events[:cut])
    time.sleep(0.05)
    client.sendall(events[cut:])
    client.recv(1)  # until the client hangs up


if __name__ == "__main__":
    main()
