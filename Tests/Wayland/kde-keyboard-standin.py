#!/usr/bin/env python3
# Stands in for KWin's keyboard layouts service (org.kde.keyboard /Layouts,
# org.kde.KeyboardLayouts) on the bus whose address is the first argument, with the layouts
# given as "short:display:long" arguments after it. Says "ready" on descriptor 3 once it owns
# the name. A test drives it through org.plivex.StandIn.replaceLayouts, which sets a new list
# and emits layoutListChanged, as KDE's settings do.
# With --kxkbrc=FILE and --reloads=LOG it also stands in for KWin's reading of the keyboard
# configuration: at each reloadConfig signal (interface org.kde.keyboard, path /Layouts, from any
# sender) it appends the Options of FILE's [Layout] group, as it finds them then, as a line to LOG.
import os
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

INTERFACE = "org.kde.KeyboardLayouts"


class Layouts(dbus.service.Object):
    def __init__(self, bus, layouts):
        super().__init__(bus, "/Layouts")
        self.layouts = layouts
        self.current = 0

    @dbus.service.method(INTERFACE, in_signature="", out_signature="a(sss)")
    def getLayoutsList(self):
        return dbus.Array([dbus.Struct(layout, signature="sss") for layout in self.layouts],
                          signature="(sss)")

    @dbus.service.method(INTERFACE, in_signature="", out_signature="u")
    def getLayout(self):
        return dbus.UInt32(self.current)

    @dbus.service.method(INTERFACE, in_signature="u", out_signature="b")
    def setLayout(self, index):
        if index >= len(self.layouts):
            return False
        if index != self.current:
            self.current = int(index)
            self.layoutChanged(dbus.UInt32(index))
        return True

    @dbus.service.signal(INTERFACE, signature="u")
    def layoutChanged(self, index):
        pass

    @dbus.service.signal(INTERFACE, signature="")
    def layoutListChanged(self):
        pass

    @dbus.service.method("org.plivex.StandIn", in_signature="a(sss)", out_signature="")
    def replaceLayouts(self, layouts):
        self.layouts = [tuple(str(part) for part in layout) for layout in layouts]
        self.current = 0
        self.layoutListChanged()


def layout_options(path):
    options, group = "", None
    with open(path, encoding="utf-8") as config:
        for line in config:
            line = line.strip()
            if line.startswith("["):
                group = line
            elif group == "[Layout]" and line.partition("=")[0].strip() == "Options":
                options = line.partition("=")[2].strip()
    return options


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.bus.BusConnection(sys.argv[1])
    flags = dict(argument[2:].split("=", 1) for argument in sys.argv[2:]
                 if argument.startswith("--"))
    layouts = [tuple(argument.split(":")) for argument in sys.argv[2:]
               if not argument.startswith("--")]
    service = Layouts(bus, layouts)
    if "kxkbrc" in flags:
        def reloaded():
            with open(flags["reloads"], "a", encoding="utf-8") as log:
                log.write(layout_options(flags["kxkbrc"]) + "\n")
        bus.add_signal_receiver(reloaded, signal_name="reloadConfig",
                                dbus_interface="org.kde.keyboard", path="/Layouts")
    name = dbus.service.BusName("org.kde.keyboard", bus)
    os.write(3, b"ready\n")
    os.close(3)
    GLib.MainLoop().run()
    del service, name


main()
