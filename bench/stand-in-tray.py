#!/usr/bin/python3
"""A stand-in StatusNotifier tray on the session bus, for trying the program
without a desktop and for measuring what a live tray item costs it.

It owns org.kde.StatusNotifierWatcher with a host registered, takes item
registrations, and behaves like a real tray: it reads all of an item's
properties when the item registers and again after each of its New* and
XAyatanaNewLabel signals, as KDE Plasma and GNOME's AppIndicator extension do.

  stand-in-tray.py [--activate X,Y] [--quiet]

--activate clicks the first item that registers at (X, Y) once it has read
it. Each read is counted; on SIGTERM or SIGINT it prints
"reads N signals M" and ends.
"""

import argparse
import signal
import sys

from gi.repository import Gio, GLib

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
INTROSPECTION = """
<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
  </interface>
</node>
"""


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--activate")
    parser.add_argument("--quiet", action="store_true")
    args = parser.parse_args()

    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    items = []
    counts = {"reads": 0, "signals": 0}
    loop = GLib.MainLoop()

    def say(text):
        if not args.quiet:
            print(text, flush=True)

    def read(service):
        def done(connection, result):
            try:
                values = connection.call_finish(result).unpack()[0]
                counts["reads"] += 1
                say("read %s: label %r status %s" % (service, values.get("XAyatanaLabel"), values.get("Status")))
            except GLib.Error as error:
                say("read %s failed: %s" % (service, error.message))
        bus.call(service, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "GetAll",
                 GLib.Variant("(s)", (ITEM,)), None, Gio.DBusCallFlags.NONE, 5000, None, done)

    def on_signal(connection, sender, path, interface, name, parameters, service):
        counts["signals"] += 1
        read(service)

    def activate(service, x, y):
        bus.call(service, "/StatusNotifierItem", ITEM, "Activate", GLib.Variant("(ii)", (x, y)),
                 None, Gio.DBusCallFlags.NONE, 5000, None, None)
        return False

    def method(connection, sender, path, interface, name, parameters, invocation):
        if name == "RegisterStatusNotifierItem":
            service = parameters.unpack()[0]
            if service.startswith("/"):
                service = sender
            items.append(service)
            say("registered " + service)
            connection.signal_subscribe(service, ITEM, None, "/StatusNotifierItem", None,
                                        Gio.DBusSignalFlags.NONE, on_signal, service)
            connection.emit_signal(None, "/StatusNotifierWatcher", WATCHER, "StatusNotifierItemRegistered",
                                   GLib.Variant("(s)", (service,)))
            read(service)
            if args.activate and len(items) == 1:
                x, y = (int(v) for v in args.activate.split(","))
                GLib.timeout_add(500, activate, service, x, y)
        invocation.return_value(None)

    def get_property(connection, sender, path, interface, name):
        if name == "RegisteredStatusNotifierItems":
            return GLib.Variant("as", items)
        if name == "IsStatusNotifierHostRegistered":
            return GLib.Variant("b", True)
        return GLib.Variant("i", 0)

    node = Gio.DBusNodeInfo.new_for_xml(INTROSPECTION)
    bus.register_object("/StatusNotifierWatcher", node.interfaces[0], method, get_property, None)
    Gio.bus_own_name_on_connection(bus, WATCHER, Gio.BusNameOwnerFlags.NONE, None, None)

    def stop(*_):
        print("reads %d signals %d" % (counts["reads"], counts["signals"]), flush=True)
        loop.quit()
        return False

    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, stop)
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGINT, stop)
    loop.run()
    return 0


if __name__ == "__main__":
    sys.exit(main())
