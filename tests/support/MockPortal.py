#!/usr/bin/python3
# A stand-in for the desktop portal's remote-control service, for the tests of the portal keyboard
# on a private session bus. It owns org.freedesktop.portal.Desktop, answers each request through
# the request's Response signal, sent before the call's reply (the earliest a real portal may send
# it), and writes every call it takes, one line each, to the file named on its command line.
# Each Start grants the keyboard and gives a fresh restore token (token-1, token-2, ...), unless
# --refuse-start makes the user say no. It prints "ready" once it owns its name.
import argparse

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

OBJECT = '/org/freedesktop/portal/desktop'
REMOTE = 'org.freedesktop.portal.RemoteDesktop'


class Request(dbus.service.Object):
    @dbus.service.signal('org.freedesktop.portal.Request', signature='ua{sv}')
    def Response(self, code, results):
        pass


class Session(dbus.service.Object):
    def __init__(self, portal, path):
        super().__init__(portal.connection, path)
        self.portal = portal

    @dbus.service.method('org.freedesktop.portal.Session', in_signature='', out_signature='')
    def Close(self):
        self.portal.record('Close')
        self.portal.sessions.discard(self.__dbus_object_path__)
        self.remove_from_connection()


class Portal(dbus.service.Object):
    def __init__(self, bus, arguments):
        super().__init__(bus, OBJECT)
        self.arguments = arguments
        self.sessions = set()
        self.starts = 0

    def record(self, *words):
        with open(self.arguments.record, 'a') as calls:
            calls.write(' '.join(words) + '\n')

    def answer(self, sender, options, code, results):
        path = OBJECT + '/request/' + sender[1:].replace('.', '_') + '/' + options['handle_token']
        request = Request(self.connection, path)
        request.Response(dbus.UInt32(code), dbus.Dictionary(results, signature='sv'))
        request.remove_from_connection()
        return dbus.ObjectPath(path)

    def known(self, session):
        if session not in self.sessions:
            raise dbus.exceptions.DBusException('no such session', name='org.freedesktop.DBus.Error.AccessDenied')

    @dbus.service.method(REMOTE, in_signature='a{sv}', out_signature='o', sender_keyword='sender')
    def CreateSession(self, options, sender):
        session = OBJECT + '/session/' + sender[1:].replace('.', '_') + '/' + options['session_handle_token']
        Session(self, session)
        self.sessions.add(session)
        self.record('CreateSession')
        return self.answer(sender, options, 0, {'session_handle': session})

    @dbus.service.method(REMOTE, in_signature='oa{sv}', out_signature='o', sender_keyword='sender')
    def SelectDevices(self, session, options, sender):
        self.known(session)
        self.record('SelectDevices', 'types=%d' % options.get('types', 0),
                    'persist_mode=%d' % options.get('persist_mode', 0),
                    'restore_token=' + options.get('restore_token', ''))
        return self.answer(sender, options, 0, {})

    @dbus.service.method(REMOTE, in_signature='osa{sv}', out_signature='o', sender_keyword='sender')
    def Start(self, session, parent_window, options, sender):
        self.known(session)
        self.record('Start', 'parent_window=' + parent_window)
        if self.arguments.refuse_start:
            return self.answer(sender, options, 1, {})
        self.starts += 1
        return self.answer(sender, options, 0, {'devices': dbus.UInt32(1),
                                                'restore_token': 'token-%d' % self.starts})

    @dbus.service.method(REMOTE, in_signature='oa{sv}iu', out_signature='')
    def NotifyKeyboardKeysym(self, session, options, keysym, state):
        self.known(session)
        self.record('NotifyKeyboardKeysym', '%#x' % keysym, 'pressed' if state else 'released')


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('record')
    parser.add_argument('--refuse-start', action='store_true')
    arguments = parser.parse_args()
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    # Both kept for as long as the loop runs: the name and the object go with them.
    name = dbus.service.BusName('org.freedesktop.portal.Desktop', bus, do_not_queue=True)
    portal = Portal(bus, arguments)
    print('ready', flush=True)
    GLib.MainLoop().run()


main()
