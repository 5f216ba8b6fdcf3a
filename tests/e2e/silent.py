#!/usr/bin/python3
"""Stand-ins for the parts of a broken desktop session that accept a program and then never answer it, or answer late.

Usage: silent.py socket PATH        a Unix socket that accepts connections and never speaks, as a bus that hangs does
       silent.py a11y               on the session bus, an owner of org.a11y.Bus that takes every call and answers none
       silent.py slow PATH BUSPATH  a Unix socket in front of the bus at BUSPATH that begins to pass each connection on
                                    only 0.2 s after it was made, as a bus under load does
Prints "ready" once in place, then runs until ended.
"""

import socket
import sys
import threading
import time


def pass_on(source, target):
    while data := source.recv(65536):
        target.sendall(data)
    target.shutdown(socket.SHUT_WR)


def slowly(client, bus_path):
    time.sleep(0.2)
    bus = socket.socket(socket.AF_UNIX)
    bus.connect(bus_path)
    threading.Thread(target=pass_on, args=(client, bus), daemon=True).start()
    pass_on(bus, client)

from gi.repository import Gio, GLib

A11Y_BUS = """
<node>
  <interface name="org.a11y.Bus"><method name="GetAddress"><arg type="s" direction="out"/></method></interface>
  <interface name="org.a11y.Status">
    <property name="IsEnabled" type="b" access="readwrite"/>
    <property name="ScreenReaderEnabled" type="b" access="readwrite"/>
  </interface>
</node>
"""


def main():
    if sys.argv[1:2] == ["socket"]:
        listener = socket.socket(socket.AF_UNIX)
        listener.bind(sys.argv[2])
        listener.listen(16)
        print("ready", flush=True)
        accepted = []
        while True:
            accepted.append(listener.accept()[0])

    if sys.argv[1:2] == ["slow"]:
        listener = socket.socket(socket.AF_UNIX)
        listener.bind(sys.argv[2])
        listener.listen(16)
        print("ready", flush=True)
        while True:
            threading.Thread(target=slowly, args=(listener.accept()[0], sys.argv[3]), daemon=True).start()

    held = []  # calls kept unanswered; a dropped invocation would be answered with an error

    def acquired(connection, name):
        # Without get_property, the property reads arrive as method calls, and are held like the rest.
        for interface in Gio.DBusNodeInfo.new_for_xml(A11Y_BUS).interfaces:
            connection.register_object("/org/a11y/bus", interface, lambda *call: held.append(call[-1]), None, None)
        print("ready", flush=True)

    Gio.bus_own_name(Gio.BusType.SESSION, "org.a11y.Bus", Gio.BusNameOwnerFlags.NONE, None, acquired,
                     lambda *_: sys.exit("silent.py: org.a11y.Bus is taken"))
    GLib.MainLoop().run()


if __name__ == "__main__":
    main()
