#!/usr/bin/python3
# A stand-in for the desktop's notification service, on a private session bus: it owns
# org.freedesktop.Notifications and writes each Notify call it takes to the file named on its
# command line, one line each: the application name, then the summary, a tab between them. It
# prints "ready" once it owns its name.
import argparse

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

INTERFACE = 'org.freedesktop.Notifications'


class Notifications(dbus.service.Object):
    def __init__(self, bus, record):
        super().__init__(bus, '/org/freedesktop/Notifications')
        self.record = record
        self.count = 0

    @dbus.service.method(INTERFACE, in_signature='susssasa{sv}i', out_signature='u')
    def Notify(self, app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout):
        with open(self.record, 'a') as calls:
            calls.write(app_name + '\t' + summary + '\n')
        self.count += 1
        return dbus.UInt32(self.count)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('record')
    arguments = parser.parse_args()
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    # Both kept for as long as the loop runs: the name and the object go with them.
    name = dbus.service.BusName(INTERFACE, bus, do_not_queue=True)
    service = Notifications(bus, arguments.record)
    print('ready', flush=True)
    GLib.MainLoop().run()


main()
