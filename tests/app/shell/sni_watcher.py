#!/usr/bin/python3
"""A stand-in tray host on the session bus: org.kde.StatusNotifierWatcher
with a host registered. Each item that registers is read as a tray would read
it, and printed as one JSON line: {"service", "path", "Title", "Status",
"ToolTip", "IconPixmapSizes"}. The object exists before the name is claimed,
so a client that sees the name finds the object complete."""
import json
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"

INTROSPECTION = """<!DOCTYPE node PUBLIC "-//freedesktop//DTD D-BUS Object Introspection 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd">
<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
  </interface>
  <interface name="org.freedesktop.DBus.Properties">
    <method name="Get"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
    <method name="GetAll"><arg type="s" direction="in"/><arg type="a{sv}" direction="out"/></method>
  </interface>
  <interface name="org.freedesktop.DBus.Introspectable">
    <method name="Introspect"><arg type="s" direction="out"/></method>
  </interface>
</node>
"""


class Watcher(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/StatusNotifierWatcher")
        self.bus = bus
        self.items = []

    @dbus.service.method(WATCHER, in_signature="s", out_signature="", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        path = "/StatusNotifierItem"
        if service.startswith("/"):
            service, path = sender, service
        self.items.append(f"{service}{path}")
        self.StatusNotifierItemRegistered(f"{service}{path}")
        # Read it once Qt has answered this call.
        GLib.timeout_add(200, self.describe, service, path)

    @dbus.service.method(WATCHER, in_signature="s", out_signature="")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, item):
        pass

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.GetAll(interface)[name]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {"IsStatusNotifierHostRegistered": dbus.Boolean(True), "ProtocolVersion": dbus.Int32(0),
                "RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s")}

    # Clients read the properties through introspection (Qt does), so it
    # has to declare them.
    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, in_signature="", out_signature="s")
    def Introspect(self):
        return INTROSPECTION

    def describe(self, service, path):
        try:
            props = self.bus.get_object(service, path).GetAll(ITEM, dbus_interface=dbus.PROPERTIES_IFACE)
            tooltip = props.get("ToolTip", ("", [], "", ""))
            print(json.dumps({"service": str(service), "path": str(path), "Title": str(props.get("Title", "")),
                              "Status": str(props.get("Status", "")),
                              "ToolTip": [str(tooltip[2]), str(tooltip[3])],
                              "IconPixmapSizes": [[int(w), int(h)] for w, h, _ in props.get("IconPixmap", [])]}),
                  flush=True)
        except dbus.DBusException as error:
            print(json.dumps({"service": str(service), "error": str(error)}), flush=True)
        return False


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    watcher = Watcher(bus)
    name = dbus.service.BusName(WATCHER, bus, do_not_queue=True)
    print("ready", flush=True)
    GLib.MainLoop().run()
    del watcher, name


if __name__ == "__main__":
    sys.exit(main())
