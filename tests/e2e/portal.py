#!/usr/bin/python3
"""A desktop portal that only publishes a colour preference, as GNOME's does for its "Dark" style: enough for the
program to read it, on the private session bus of tests/e2e/run and bench/run. A test changes the preference, as a
user would in the desktop's settings, through the method SetColorScheme of the interface org.tevrolin.TestPortal,
which takes the value in any type, so that a test can also publish one that a broken portal might; the portal then
signals SettingChanged as the real one does.

Usage: portal.py COLOR_SCHEME   (0 no preference, 1 dark, 2 light); runs until ended.
"""

import sys

from gi.repository import Gio, GLib

INTERFACE = """
<node>
  <interface name="org.freedesktop.portal.Settings">
    <method name="Read">
      <arg type="s" name="namespace" direction="in"/>
      <arg type="s" name="key" direction="in"/>
      <arg type="v" name="value" direction="out"/>
    </method>
    <signal name="SettingChanged">
      <arg type="s" name="namespace"/>
      <arg type="s" name="key"/>
      <arg type="v" name="value"/>
    </signal>
    <property name="version" type="u" access="read"/>
  </interface>
  <interface name="org.tevrolin.TestPortal">
    <method name="SetColorScheme">
      <arg type="v" name="scheme" direction="in"/>
    </method>
  </interface>
</node>
"""


def main():
    scheme = [GLib.Variant("u", int(sys.argv[1]))]
    node = Gio.DBusNodeInfo.new_for_xml(INTERFACE)

    def call(connection, sender, path, interface, method, parameters, invocation):
        if (method, tuple(parameters.unpack())) == ("Read", ("org.freedesktop.appearance", "color-scheme")):
            # As the real portal does: the value inside one variant more than the signature says.
            invocation.return_value(GLib.Variant("(v)", (GLib.Variant("v", scheme[0]),)))
        elif method == "SetColorScheme":
            scheme[0] = parameters.get_child_value(0).get_variant()
            connection.emit_signal(None, path, "org.freedesktop.portal.Settings", "SettingChanged",
                                   GLib.Variant("(ssv)", ("org.freedesktop.appearance", "color-scheme", scheme[0])))
            invocation.return_value(None)
        else:
            invocation.return_dbus_error("org.freedesktop.portal.Error.NotFound", "Requested setting not found")

    def acquired(connection, name):
        for interface in node.interfaces:
            connection.register_object("/org/freedesktop/portal/desktop", interface, call, None, None)

    Gio.bus_own_name(Gio.BusType.SESSION, "org.freedesktop.portal.Desktop", Gio.BusNameOwnerFlags.NONE, acquired,
                     lambda *_: print("portal: ready", flush=True), lambda *_: sys.exit("portal: name taken"))
    GLib.MainLoop().run()


if __name__ == "__main__":
    main()
