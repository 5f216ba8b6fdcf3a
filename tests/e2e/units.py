#!/usr/bin/python3
"""The user's service manager, as far as GNOME Shell asks it at start-up: whether the input method runs as a unit of
its own. It answers yes, so the shell starts no input method itself. Starting one, the shell forks with a JavaScript
callback to run in the child, which deadlocks now and then when another thread of the shell holds a lock at that
moment; the shell then waits for ever for its child, and never finishes starting.

Usage: units.py   on the session bus until ended.
"""

from gi.repository import Gio, GLib

MANAGER = """
<node>
  <interface name="org.freedesktop.systemd1.Manager">
    <method name="GetUnit"><arg type="s" direction="in"/><arg type="o" direction="out"/></method>
  </interface>
</node>
"""


def main():
    def call(_connection, _sender, _path, _interface, method, parameters, invocation):
        if method == "GetUnit" and parameters.unpack()[0] == "org.freedesktop.IBus.session.GNOME.service":
            invocation.return_value(GLib.Variant("(o)", ("/org/freedesktop/systemd1/unit/ibus",)))
        else:
            invocation.return_dbus_error("org.freedesktop.systemd1.NoSuchUnit", "No such unit")

    def acquired(connection, _name):
        connection.register_object("/org/freedesktop/systemd1", Gio.DBusNodeInfo.new_for_xml(MANAGER).interfaces[0],
                                   call, None, None)

    Gio.bus_own_name(Gio.BusType.SESSION, "org.freedesktop.systemd1", Gio.BusNameOwnerFlags.NONE, acquired, None, None)
    GLib.MainLoop().run()


if __name__ == "__main__":
    main()
