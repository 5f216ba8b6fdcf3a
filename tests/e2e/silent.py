#!/usr/bin/python3
"""Stand-ins for the parts of a broken desktop session that accept a program and then never answer it.

Usage: silent.py socket PATH   a Unix socket that accepts connections and never speaks, as a bus that hangs does
       silent.py a11y          on the session bus, an owner of org.a11y.Bus that takes every call and answers none
Prints "ready" once in place, then runs until ended.
"""

import socket
import sys

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
