#!/usr/bin/python3
"""A scripted UDisks2 service for tests, on a bus of the caller's choosing.

It owns org.freedesktop.UDisks2 and publishes block devices, their file
systems and drives the way the UDisks2 daemon does (an object manager at
/org/freedesktop/UDisks2, objects under block_devices/ and drives/, their
properties through org.freedesktop.DBus.Properties), so a program that looks
for the radio through UDisks2 can be tested without disks, udev or root.
A volume is a folder standing for a mounted file system: its mount point.

Volumes are added, changed and removed through the control interface
org.ondavox.Simulator.UDisks2 on /org/freedesktop/UDisks2:

  AddVolume(s name, a{sv} settings) -> o     the block device's object path
  RemoveVolume(s name)                       the device is unplugged
  SwitchToWritable(s name, a{sv} changes, d away_seconds)
      the radio's answer to its trigger: it leaves at once and comes back
      after away_seconds, writable, with changes applied (for example
      another mount_point, or none and a mount_target)
  EjectMedium(s name)                        the medium leaves the reader: the
      block device stays under its object path, without a file system
      (IdType "", IdUUID "", Size 0), as a card reader's or a loop device's
  InsertMedium(s name, a{sv} changes)        a medium comes back into that reader,
      with changes applied and a new TimeMediaDetected
  ChangeVolume(s name, a{sv} changes)        settings change in place, for
      example mount_error, without the medium changing
  Events() -> as                             what happened so far

Settings (all optional): id_type (s, "vfat"), id_version (s, "FAT32"),
id_uuid (s, "ECE2-2CF8"), id_label (s, "ONDAVOX"), read_only (b),
removable (b, true), media_removable (b), filesystem (b, true: the block
device carries a file system), mount_point (s, "" when not mounted),
mount_target (s: where Filesystem.Mount mounts it; without one Mount fails),
mount_error (s: a D-Bus error name Filesystem.Mount answers with),
mount_error_message (s: the text that comes with it).

Filesystem.Mount on a volume that is not mounted sets its MountPoints to
mount_target and returns it. Every event is also printed on standard output,
one line each, after the line "ready" that says the name is owned.

Usage: udisks2_service.py [--address ADDRESS]   (default: $DBUS_SYSTEM_BUS_ADDRESS)
Runs until SIGTERM or SIGINT. Needs Debian's python3-dbus and python3-gi:
run it with /usr/bin/python3.
"""

import sys

import dbus
import dbus.service
from gi.repository import GLib

from bus_service import Failure, argument_parser, serve

BUS_NAME = "org.freedesktop.UDisks2"
ROOT_PATH = "/org/freedesktop/UDisks2"
CONTROL = "org.ondavox.Simulator.UDisks2"
OBJECT_MANAGER = "org.freedesktop.DBus.ObjectManager"
PROPERTIES = "org.freedesktop.DBus.Properties"
BLOCK = "org.freedesktop.UDisks2.Block"
FILESYSTEM = "org.freedesktop.UDisks2.Filesystem"
DRIVE = "org.freedesktop.UDisks2.Drive"
MANAGER = "org.freedesktop.UDisks2.Manager"

DEFAULTS = {
    "id_type": "vfat",
    "id_version": "FAT32",
    "id_uuid": "ECE2-2CF8",
    "id_label": "ONDAVOX",
    "read_only": False,
    "removable": True,
    "media_removable": False,
    "filesystem": True,
    "mount_point": "",
    "mount_target": "",
    "mount_error": "",
    "mount_error_message": "refused by the script",
}


def path_bytes(text):
    """A path as UDisks2 sends it: bytes with a terminating NUL."""
    return dbus.ByteArray(text.encode() + b"\0")


def format_options(options):
    return "{" + ", ".join("%s=%s" % (key, options[key]) for key in sorted(options)) + "}"


class Exported(dbus.service.Object):
    """An object with interfaces of properties, readable through Properties."""

    def __init__(self, service, path, interfaces):
        super().__init__(service.bus, path)
        self.service = service
        self.path = path
        self.interfaces = interfaces  # interface -> {property: D-Bus value}

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        try:
            return self.interfaces[interface][name]
        except KeyError:
            raise Failure("org.freedesktop.DBus.Error.InvalidArgs", "no property %s.%s" % (interface, name))

    @dbus.service.method(PROPERTIES, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return dbus.Dictionary(self.interfaces.get(interface, {}), signature="sv")

    @dbus.service.signal(PROPERTIES, signature="sa{sv}as")
    def PropertiesChanged(self, interface, changed, invalidated):
        pass

    def set_property(self, interface, name, value):
        self.interfaces[interface][name] = value
        self.PropertiesChanged(interface, dbus.Dictionary({name: value}, signature="sv"), dbus.Array([], signature="s"))


class BlockDevice(Exported):
    """A block device with (unless told otherwise) a file system on it."""

    def __init__(self, service, name, settings):
        self.name = name
        self.settings = settings
        drive_path = dbus.ObjectPath(ROOT_PATH + "/drives/" + name)
        interfaces = {
            BLOCK: {
                "Device": path_bytes("/dev/" + name),
                "PreferredDevice": path_bytes("/dev/" + name),
                "Symlinks": dbus.Array([], signature="ay"),
                "DeviceNumber": dbus.UInt64(0),
                "Id": dbus.String("by-uuid-" + settings["id_uuid"]),
                "Size": dbus.UInt64(64 * 1024 * 1024),
                "ReadOnly": dbus.Boolean(settings["read_only"]),
                "Drive": drive_path,
                "MDRaid": dbus.ObjectPath("/"),
                "CryptoBackingDevice": dbus.ObjectPath("/"),
                "IdUsage": dbus.String("filesystem" if settings["filesystem"] else ""),
                "IdType": dbus.String(settings["id_type"]),
                "IdVersion": dbus.String(settings["id_version"]),
                "IdLabel": dbus.String(settings["id_label"]),
                "IdUUID": dbus.String(settings["id_uuid"]),
                "HintPartitionable": dbus.Boolean(False),
                "HintSystem": dbus.Boolean(not settings["removable"]),
                "HintIgnore": dbus.Boolean(False),
                "HintAuto": dbus.Boolean(settings["removable"]),
            },
        }
        if settings["filesystem"]:
            interfaces[FILESYSTEM] = {
                "MountPoints": self.mount_points(settings["mount_point"]),
                "Size": dbus.UInt64(64 * 1024 * 1024),
            }
        super().__init__(service, ROOT_PATH + "/block_devices/" + name, interfaces)

    @staticmethod
    def mount_points(mount_point):
        points = [path_bytes(mount_point)] if mount_point else []
        return dbus.Array(points, signature="ay")

    @dbus.service.method(FILESYSTEM, in_signature="a{sv}", out_signature="s")
    def Mount(self, options):
        self.service.event("mount %s options=%s" % (self.name, format_options(options)))
        if FILESYSTEM not in self.interfaces:
            raise Failure("org.freedesktop.DBus.Error.UnknownMethod", "no file system")
        if self.settings["mount_error"]:
            raise Failure(self.settings["mount_error"], self.settings["mount_error_message"])
        if self.settings["mount_point"]:
            raise Failure("org.freedesktop.UDisks2.Error.AlreadyMounted",
                          "already mounted at %s" % self.settings["mount_point"])
        target = self.settings["mount_target"]
        if not target:
            raise Failure("org.freedesktop.UDisks2.Error.Failed", "no mount target scripted")
        self.settings["mount_point"] = target
        self.set_property(FILESYSTEM, "MountPoints", self.mount_points(target))
        self.service.event("mounted %s at %s" % (self.name, target))
        return target

    @dbus.service.method(FILESYSTEM, in_signature="a{sv}", out_signature="")
    def Unmount(self, options):
        self.service.event("unmount %s options=%s" % (self.name, format_options(options)))
        if not self.settings["mount_point"]:
            raise Failure("org.freedesktop.UDisks2.Error.NotMounted", "not mounted")
        self.settings["mount_point"] = ""
        self.set_property(FILESYSTEM, "MountPoints", self.mount_points(""))


class Drive(Exported):
    def __init__(self, service, name, settings):
        super().__init__(service, ROOT_PATH + "/drives/" + name, {
            DRIVE: {
                "Vendor": dbus.String("Brelvan"),
                "Model": dbus.String("Ondavox"),
                "Serial": dbus.String(name),
                "Removable": dbus.Boolean(settings["removable"]),
                "MediaRemovable": dbus.Boolean(settings["media_removable"]),
                "MediaAvailable": dbus.Boolean(True),
                "Ejectable": dbus.Boolean(settings["removable"]),
                "ConnectionBus": dbus.String("usb" if settings["removable"] else ""),
                "Size": dbus.UInt64(64 * 1024 * 1024),
                "TimeMediaDetected": dbus.UInt64(service.next_media_time()),
            },
        })


class Manager(Exported):
    def __init__(self, service):
        super().__init__(service, ROOT_PATH + "/Manager", {MANAGER: {"Version": dbus.String("2.9.4")}})


class Service(dbus.service.Object):
    """The object manager and the control interface."""

    def __init__(self, bus):
        self.bus = bus
        super().__init__(bus, ROOT_PATH)
        self.objects = {}  # path -> Exported, in the order they were added
        self.volumes = {}  # name -> (BlockDevice, Drive)
        self.events = []
        self.media_time = 1700000000000000  # microseconds, as UDisks2 counts them
        self.publish(Manager(self))

    def next_media_time(self):
        self.media_time += 1000000
        return self.media_time

    def event(self, text):
        self.events.append(text)
        print(text, flush=True)

    def publish(self, exported):
        self.objects[exported.path] = exported
        self.InterfacesAdded(dbus.ObjectPath(exported.path), self.interfaces_of(exported))

    def withdraw(self, exported):
        del self.objects[exported.path]
        exported.remove_from_connection()
        self.InterfacesRemoved(dbus.ObjectPath(exported.path), dbus.Array(list(exported.interfaces), signature="s"))

    @staticmethod
    def interfaces_of(exported):
        return dbus.Dictionary(
            {name: dbus.Dictionary(values, signature="sv") for name, values in exported.interfaces.items()},
            signature="sa{sv}")

    def add(self, name, settings):
        drive = Drive(self, name, settings)
        block = BlockDevice(self, name, settings)
        self.publish(drive)
        self.publish(block)
        self.volumes[name] = (block, drive)
        where = settings["mount_point"] or "not mounted"
        self.event("added %s (%s %s, %s, %s, %s)" % (
            name, settings["id_type"], settings["id_uuid"], "read-only" if settings["read_only"] else "writable",
            "removable" if settings["removable"] or settings["media_removable"] else "fixed", where))
        return block

    def remove(self, name):
        block, drive = self.volumes.pop(name)
        self.withdraw(block)
        self.withdraw(drive)
        self.event("removed %s" % name)
        return block.settings

    @staticmethod
    def settings_from(values, base):
        settings = dict(base)
        for key, value in values.items():
            key = str(key)
            if key not in DEFAULTS:
                raise Failure("org.freedesktop.DBus.Error.InvalidArgs", "unknown setting %s" % key)
            settings[key] = bool(value) if isinstance(DEFAULTS[key], bool) else str(value)
        return settings

    @dbus.service.method(OBJECT_MANAGER, in_signature="", out_signature="a{oa{sa{sv}}}")
    def GetManagedObjects(self):
        return dbus.Dictionary(
            {dbus.ObjectPath(path): self.interfaces_of(exported) for path, exported in self.objects.items()},
            signature="oa{sa{sv}}")

    @dbus.service.signal(OBJECT_MANAGER, signature="oa{sa{sv}}")
    def InterfacesAdded(self, path, interfaces):
        pass

    @dbus.service.signal(OBJECT_MANAGER, signature="oas")
    def InterfacesRemoved(self, path, interfaces):
        pass

    @dbus.service.method(CONTROL, in_signature="sa{sv}", out_signature="o")
    def AddVolume(self, name, settings):
        if name in self.volumes:
            raise Failure("org.freedesktop.DBus.Error.InvalidArgs", "%s is there already" % name)
        return dbus.ObjectPath(self.add(str(name), self.settings_from(settings, DEFAULTS)).path)

    @dbus.service.method(CONTROL, in_signature="s", out_signature="")
    def RemoveVolume(self, name):
        if name not in self.volumes:
            raise Failure("org.freedesktop.DBus.Error.InvalidArgs", "no volume %s" % name)
        self.remove(str(name))

    @dbus.service.method(CONTROL, in_signature="sa{sv}d", out_signature="")
    def SwitchToWritable(self, name, changes, away_seconds):
        if name not in self.volumes:
            raise Failure("org.freedesktop.DBus.Error.InvalidArgs", "no volume %s" % name)
        name = str(name)
        settings = self.settings_from(changes, self.volumes[name][0].settings)
        settings["read_only"] = False
        self.event("switching %s to writable: leaving for %.1f s" % (name, away_seconds))
        self.remove(name)

        def come_back():
            if name not in self.volumes:
                self.add(name, settings)
            return False

        GLib.timeout_add(int(away_seconds * 1000), come_back)

    @dbus.service.method(CONTROL, in_signature="s", out_signature="")
    def EjectMedium(self, name):
        if name not in self.volumes:
            raise Failure("org.freedesktop.DBus.Error.InvalidArgs", "no volume %s" % name)
        block, drive = self.volumes[str(name)]
        for key, value in (("IdType", ""), ("IdVersion", ""), ("IdUUID", ""), ("IdUsage", "")):
            block.set_property(BLOCK, key, dbus.String(value))
        block.set_property(BLOCK, "Size", dbus.UInt64(0))
        if FILESYSTEM in block.interfaces:
            del block.interfaces[FILESYSTEM]
            self.InterfacesRemoved(dbus.ObjectPath(block.path), dbus.Array([FILESYSTEM], signature="s"))
        drive.set_property(DRIVE, "MediaAvailable", dbus.Boolean(False))
        drive.set_property(DRIVE, "TimeMediaDetected", dbus.UInt64(0))
        block.settings["mount_point"] = ""
        self.event("ejected %s" % name)

    @dbus.service.method(CONTROL, in_signature="sa{sv}", out_signature="")
    def InsertMedium(self, name, changes):
        if name not in self.volumes:
            raise Failure("org.freedesktop.DBus.Error.InvalidArgs", "no volume %s" % name)
        block, drive = self.volumes[str(name)]
        settings = self.settings_from(changes, block.settings)
        block.settings.clear()
        block.settings.update(settings)
        for key, setting in (("IdType", "id_type"), ("IdVersion", "id_version"), ("IdUUID", "id_uuid")):
            block.set_property(BLOCK, key, dbus.String(settings[setting]))
        block.set_property(BLOCK, "IdUsage", dbus.String("filesystem"))
        block.set_property(BLOCK, "Size", dbus.UInt64(64 * 1024 * 1024))
        block.interfaces[FILESYSTEM] = {
            "MountPoints": block.mount_points(settings["mount_point"]),
            "Size": dbus.UInt64(64 * 1024 * 1024),
        }
        self.InterfacesAdded(dbus.ObjectPath(block.path),
                             dbus.Dictionary({FILESYSTEM: dbus.Dictionary(block.interfaces[FILESYSTEM],
                                                                          signature="sv")}, signature="sa{sv}"))
        drive.set_property(DRIVE, "MediaAvailable", dbus.Boolean(True))
        drive.set_property(DRIVE, "TimeMediaDetected", dbus.UInt64(self.next_media_time()))
        self.event("inserted %s" % name)

    @dbus.service.method(CONTROL, in_signature="sa{sv}", out_signature="")
    def ChangeVolume(self, name, changes):
        if name not in self.volumes:
            raise Failure("org.freedesktop.DBus.Error.InvalidArgs", "no volume %s" % name)
        block = self.volumes[str(name)][0]
        settings = self.settings_from(changes, block.settings)
        block.settings.clear()
        block.settings.update(settings)
        self.event("changed %s" % name)

    @dbus.service.method(CONTROL, in_signature="", out_signature="as")
    def Events(self):
        return dbus.Array(self.events, signature="s")


def main():
    return serve(argument_parser("Scripted UDisks2 service for tests."), BUS_NAME, lambda bus, arguments: Service(bus))


if __name__ == "__main__":
    sys.exit(main())
