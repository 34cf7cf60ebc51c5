#!/usr/bin/python3
"""A logind stand-in for tests: the inhibitor locks of
org.freedesktop.login1.Manager on a bus of the caller's choosing.

Inhibit(s what, s who, s why, s mode) -> h hands out one end of a pipe as the
lock, the way logind does: the lock stands until every copy of that
descriptor is closed, which the service notices when its own end hangs up.
ListInhibitors() -> a(ssssuu) lists the locks that stand, as logind does
(uid and pid are 0 here).

Every event is printed on standard output, one line each, after the line
"ready" that says the name is owned:

  inhibit what=<what> who=<who> mode=<mode> why=<why>
  refused what=<what>
  released what=<what> who=<who>

Usage: logind_service.py [--address ADDRESS] [--refuse PART]...
  --address  the bus to serve on (default: $DBUS_SYSTEM_BUS_ADDRESS)
  --refuse   answer AccessDenied to a lock whose what names this part (for
             example handle-lid-switch, as a policy may)
Runs until SIGTERM or SIGINT or the bus goes. Needs Debian's python3-dbus
and python3-gi: run it with /usr/bin/python3.
"""

import os
import sys

import dbus
import dbus.service
from gi.repository import GLib

from bus_service import Failure, argument_parser, serve

BUS_NAME = "org.freedesktop.login1"
PATH = "/org/freedesktop/login1"
MANAGER = "org.freedesktop.login1.Manager"
MODES = ("block", "delay")


class Manager(dbus.service.Object):
    def __init__(self, bus, refused_parts):
        super().__init__(bus, PATH)
        self.refused_parts = refused_parts
        self.locks = {}  # our end of the pipe -> (what, who, why, mode)

    @staticmethod
    def event(text):
        print(text, flush=True)

    @dbus.service.method(MANAGER, in_signature="ssss", out_signature="h")
    def Inhibit(self, what, who, why, mode):
        what, who, why, mode = str(what), str(who), str(why), str(mode)
        parts = what.split(":")
        if mode not in MODES or not what or any(not part for part in parts):
            raise Failure("org.freedesktop.DBus.Error.InvalidArgs", "invalid what or mode")
        if any(part in self.refused_parts for part in parts):
            self.event("refused what=%s" % what)
            raise Failure("org.freedesktop.DBus.Error.AccessDenied", "not allowed by the script")
        ours, theirs = os.pipe()
        self.locks[ours] = (what, who, why, mode)
        GLib.io_add_watch(ours, GLib.PRIORITY_DEFAULT, GLib.IO_HUP | GLib.IO_ERR, self.on_closed)
        self.event("inhibit what=%s who=%s mode=%s why=%s" % (what, who, mode, why))
        handed = dbus.types.UnixFd(theirs)  # a copy travels; ours goes
        os.close(theirs)
        return handed

    def on_closed(self, ours, condition):
        what, who, _why, _mode = self.locks.pop(ours)
        os.close(ours)
        self.event("released what=%s who=%s" % (what, who))
        return False

    @dbus.service.method(MANAGER, in_signature="", out_signature="a(ssssuu)")
    def ListInhibitors(self):
        return dbus.Array([(what, who, why, mode, dbus.UInt32(0), dbus.UInt32(0))
                           for what, who, why, mode in self.locks.values()], signature="(ssssuu)")


def main():
    parser = argument_parser("logind stand-in for tests.")
    parser.add_argument("--refuse", action="append", default=[], help="a part of what to refuse")
    return serve(parser, BUS_NAME, lambda bus, arguments: Manager(bus, set(arguments.refuse)))


if __name__ == "__main__":
    sys.exit(main())
