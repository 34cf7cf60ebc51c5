"""What the scripted system services of this folder share (udisks2_service.py,
logind_service.py): the error a method answers with, and the main that owns
the service's name on a bus of the caller's choosing and serves until SIGTERM
or SIGINT or the bus goes.

The line "ready" on standard output says the name is owned. Needs Debian's
python3-dbus and python3-gi: the services run with /usr/bin/python3.
"""

import argparse
import os
import signal
import sys

import dbus
import dbus.mainloop.glib
from gi.repository import GLib


class Failure(dbus.DBusException):
    def __init__(self, name, message):
        super().__init__(message, name=name)


def argument_parser(description):
    """A parser with --address, the bus to serve on; a service adds its own."""
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--address", default=os.environ.get("DBUS_SYSTEM_BUS_ADDRESS", ""),
                        help="the bus to serve on (default: $DBUS_SYSTEM_BUS_ADDRESS)")
    return parser


def serve(parser, bus_name, make_service):
    """Reads the command line, connects, makes the service with
    make_service(bus, arguments), owns bus_name and serves; returns the exit
    code: 2 without a bus address, 1 when the name is owned already."""
    arguments = parser.parse_args()
    if not arguments.address:
        print("error: no bus address (--address or DBUS_SYSTEM_BUS_ADDRESS)", file=sys.stderr)
        return 2

    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.bus.BusConnection(arguments.address)
    loop = GLib.MainLoop()
    service = make_service(bus, arguments)
    if bus.request_name(bus_name, dbus.bus.NAME_FLAG_DO_NOT_QUEUE) != dbus.bus.REQUEST_NAME_REPLY_PRIMARY_OWNER:
        print("error: %s is owned by another connection" % bus_name, file=sys.stderr)
        return 1
    for number in (signal.SIGTERM, signal.SIGINT):
        GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, number, loop.quit)
    bus.call_on_disconnection(lambda connection: loop.quit())
    print("ready", flush=True)
    loop.run()
    del service
    return 0
