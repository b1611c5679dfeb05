#!/usr/bin/python3
"""A notification service for the tests: takes org.freedesktop.Notifications
on the session bus and writes every Notify call to $ZELVANE_NOTIFY_LOG as one
JSON line. Its own method org.zelvane.Test.Invoke(id, action) sends the
ActionInvoked signal, as a desktop does when the user picks an action."""
import json
import os

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NAME = "org.freedesktop.Notifications"
PATH = "/org/freedesktop/Notifications"


class Service(dbus.service.Object):
    def __init__(self, bus, log):
        super().__init__(bus, PATH)
        self.log = log
        self.next_id = 0

    @dbus.service.method(NAME, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        self.next_id += 1
        with open(self.log, "a", encoding="utf-8") as f:
            f.write(json.dumps({"id": self.next_id, "app": str(app), "icon": str(icon),
                                "summary": str(summary), "body": str(body),
                                "actions": [str(a) for a in actions],
                                "hints": {str(k): str(v) for k, v in hints.items()}}) + "\n")
        return self.next_id

    @dbus.service.method(NAME, out_signature="ssss")
    def GetServerInformation(self):
        return ("recorder", "zelvane-tests", "1", "1.2")

    @dbus.service.method(NAME, out_signature="as")
    def GetCapabilities(self):
        return ["actions", "body"]

    @dbus.service.signal(NAME, signature="us")
    def ActionInvoked(self, id, action):
        pass

    @dbus.service.method("org.zelvane.Test", in_signature="us")
    def Invoke(self, id, action):
        self.ActionInvoked(id, action)


DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
service = Service(bus, os.environ["ZELVANE_NOTIFY_LOG"])
name = dbus.service.BusName(NAME, bus)
GLib.MainLoop().run()
