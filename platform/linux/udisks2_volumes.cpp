// The radio's volume as UDisks2 shows it on the system bus: a block device
// whose org.freedesktop.UDisks2.Block has IdType "vfat" and IdUUID
// "ECE2-2CF8" (the FAT serial as blkid spells it), on a drive that is
// Removable or MediaRemovable, mounted where its Filesystem's MountPoints say.
// sd-bus (libsystemd) keeps the platform layer free of any toolkit.

#include "platform/linux/udisks2_volumes.h"

#include <sys/statvfs.h>
#include <systemd/sd-bus.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace platform::linux_volumes {

namespace {

constexpr char SERVICE[] = "org.freedesktop.UDisks2";
constexpr char ROOT_PATH[] = "/org/freedesktop/UDisks2";
constexpr char BLOCK[] = "org.freedesktop.UDisks2.Block";
constexpr char FILESYSTEM[] = "org.freedesktop.UDisks2.Filesystem";
constexpr char DRIVE[] = "org.freedesktop.UDisks2.Drive";

// The one volume this program mounts by itself: the radio's, told by the
// serial the device layer looks for. Other file systems are left as they are.
constexpr std::uint32_t RADIO_VOLUME_SERIAL = 0xECE22CF8;

// Listing answers at once; mounting may wait for the user to authorise it.
constexpr std::uint64_t LIST_TIMEOUT_USEC = 10ULL * 1000 * 1000;
constexpr std::uint64_t MOUNT_TIMEOUT_USEC = 120ULL * 1000 * 1000;

struct BusDeleter {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageDeleter {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using Bus = std::unique_ptr<sd_bus, BusDeleter>;
using Message = std::unique_ptr<sd_bus_message, MessageDeleter>;

class BusError {
public:
    BusError() = default;
    ~BusError() { sd_bus_error_free(&error_); }
    BusError(const BusError&) = delete;
    BusError& operator=(const BusError&) = delete;
    sd_bus_error* get() { return &error_; }

private:
    sd_bus_error error_ = SD_BUS_ERROR_NULL;
};

// What one object of the list says, as far as the volumes need it.
struct ObjectFacts {
    bool hasBlock = false;
    bool hasFilesystem = false;
    std::string idType;
    std::string idUuid;
    std::string idVersion;
    bool blockReadOnly = false;
    std::string drive;
    std::vector<std::string> mountPoints;
    bool hasDrive = false;
    bool removable = false;
    bool mediaRemovable = false;
};

// Block devices whose mount through UDisks2 was refused, each as the
// service's unique bus name and the object path: they are not asked again
// while they stay in the list of the same service (a restarted service may
// answer otherwise). Guarded by mountLock, which the listings that mount hold
// throughout (a mount may wait long for the user's consent; listings that do
// not mount never wait for it).
std::mutex mountLock;
std::set<std::string> refusedMounts;

// A property's value, when it has the expected type; anything else is skipped.
int readStringVariant(sd_bus_message* message, std::string& value) {
    char type = 0;
    const char* contents = nullptr;
    int r = sd_bus_message_peek_type(message, &type, &contents);
    if (r < 0) {
        return r;
    }
    if (type != SD_BUS_TYPE_VARIANT || contents == nullptr ||
        (std::strcmp(contents, "s") != 0 && std::strcmp(contents, "o") != 0)) {
        return sd_bus_message_skip(message, "v");
    }
    const char* text = nullptr;
    r = sd_bus_message_read(message, "v", contents, &text);
    if (r >= 0 && text != nullptr) {
        value = text;
    }
    return r;
}

int readBoolVariant(sd_bus_message* message, bool& value) {
    char type = 0;
    const char* contents = nullptr;
    int r = sd_bus_message_peek_type(message, &type, &contents);
    if (r < 0) {
        return r;
    }
    if (type != SD_BUS_TYPE_VARIANT || contents == nullptr || std::strcmp(contents, "b") != 0) {
        return sd_bus_message_skip(message, "v");
    }
    int flag = 0;
    r = sd_bus_message_read(message, "v", "b", &flag);
    if (r >= 0) {
        value = flag != 0;
    }
    return r;
}

// MountPoints: byte arrays, each a path with a terminating NUL.
int readMountPointsVariant(sd_bus_message* message, std::vector<std::string>& mountPoints) {
    char type = 0;
    const char* contents = nullptr;
    int r = sd_bus_message_peek_type(message, &type, &contents);
    if (r < 0) {
        return r;
    }
    if (type != SD_BUS_TYPE_VARIANT || contents == nullptr || std::strcmp(contents, "aay") != 0) {
        return sd_bus_message_skip(message, "v");
    }
    if ((r = sd_bus_message_enter_container(message, SD_BUS_TYPE_VARIANT, "aay")) < 0 ||
        (r = sd_bus_message_enter_container(message, SD_BUS_TYPE_ARRAY, "ay")) < 0) {
        return r;
    }
    const void* bytes = nullptr;
    std::size_t size = 0;
    while ((r = sd_bus_message_read_array(message, 'y', &bytes, &size)) > 0) {
        const char* text = static_cast<const char*>(bytes);
        mountPoints.emplace_back(text, strnlen(text, size));
    }
    if (r < 0 || (r = sd_bus_message_exit_container(message)) < 0) {
        return r;
    }
    return sd_bus_message_exit_container(message);
}

int readProperty(sd_bus_message* message, const std::string& interface, const char* name, ObjectFacts& facts) {
    if (interface == BLOCK) {
        if (std::strcmp(name, "IdType") == 0) return readStringVariant(message, facts.idType);
        if (std::strcmp(name, "IdUUID") == 0) return readStringVariant(message, facts.idUuid);
        if (std::strcmp(name, "IdVersion") == 0) return readStringVariant(message, facts.idVersion);
        if (std::strcmp(name, "ReadOnly") == 0) return readBoolVariant(message, facts.blockReadOnly);
        if (std::strcmp(name, "Drive") == 0) return readStringVariant(message, facts.drive);
    } else if (interface == FILESYSTEM) {
        if (std::strcmp(name, "MountPoints") == 0) return readMountPointsVariant(message, facts.mountPoints);
    } else if (interface == DRIVE) {
        if (std::strcmp(name, "Removable") == 0) return readBoolVariant(message, facts.removable);
        if (std::strcmp(name, "MediaRemovable") == 0) return readBoolVariant(message, facts.mediaRemovable);
    }
    return sd_bus_message_skip(message, "v");
}

// The interfaces of one object: a{sa{sv}}.
int readInterfaces(sd_bus_message* message, ObjectFacts& facts) {
    int r = sd_bus_message_enter_container(message, SD_BUS_TYPE_ARRAY, "{sa{sv}}");
    if (r < 0) {
        return r;
    }
    while ((r = sd_bus_message_enter_container(message, SD_BUS_TYPE_DICT_ENTRY, "sa{sv}")) > 0) {
        const char* name = nullptr;
        if ((r = sd_bus_message_read(message, "s", &name)) < 0) {
            return r;
        }
        const std::string interface = name;
        facts.hasBlock = facts.hasBlock || interface == BLOCK;
        facts.hasFilesystem = facts.hasFilesystem || interface == FILESYSTEM;
        facts.hasDrive = facts.hasDrive || interface == DRIVE;
        if ((r = sd_bus_message_enter_container(message, SD_BUS_TYPE_ARRAY, "{sv}")) < 0) {
            return r;
        }
        while ((r = sd_bus_message_enter_container(message, SD_BUS_TYPE_DICT_ENTRY, "sv")) > 0) {
            const char* property = nullptr;
            if ((r = sd_bus_message_read(message, "s", &property)) < 0 ||
                (r = readProperty(message, interface, property, facts)) < 0 ||
                (r = sd_bus_message_exit_container(message)) < 0) {
                return r;
            }
        }
        if (r < 0 || (r = sd_bus_message_exit_container(message)) < 0 ||
            (r = sd_bus_message_exit_container(message)) < 0) {
            return r;
        }
    }
    if (r < 0) {
        return r;
    }
    return sd_bus_message_exit_container(message);
}

// GetManagedObjects' answer, a{oa{sa{sv}}}, by object path (a map: sorted).
bool readObjects(sd_bus_message* reply, std::map<std::string, ObjectFacts>& objects) {
    int r = sd_bus_message_enter_container(reply, SD_BUS_TYPE_ARRAY, "{oa{sa{sv}}}");
    if (r < 0) {
        return false;
    }
    while ((r = sd_bus_message_enter_container(reply, SD_BUS_TYPE_DICT_ENTRY, "oa{sa{sv}}")) > 0) {
        const char* path = nullptr;
        if (sd_bus_message_read(reply, "o", &path) < 0 || readInterfaces(reply, objects[path]) < 0 ||
            sd_bus_message_exit_container(reply) < 0) {
            return false;
        }
    }
    return r >= 0 && sd_bus_message_exit_container(reply) >= 0;
}

Message newCall(sd_bus* bus, const char* path, const char* interface, const char* member) {
    sd_bus_message* message = nullptr;
    if (sd_bus_message_new_method_call(bus, &message, SERVICE, path, interface, member) < 0) {
        return Message{};
    }
    return Message{message};
}

// The objects, and the bus's unique name of the UDisks2 service that answered.
bool listObjects(sd_bus* bus, std::map<std::string, ObjectFacts>& objects, std::string& service) {
    Message call = newCall(bus, ROOT_PATH, "org.freedesktop.DBus.ObjectManager", "GetManagedObjects");
    if (!call) {
        return false;
    }
    BusError error;
    sd_bus_message* reply = nullptr;
    if (sd_bus_call(bus, call.get(), LIST_TIMEOUT_USEC, error.get(), &reply) < 0) {
        return false;
    }
    Message answer{reply};
    const char* sender = sd_bus_message_get_sender(answer.get());
    service = sender != nullptr ? sender : "";
    return readObjects(answer.get(), objects);
}

// Filesystem.Mount with the default options (an empty a{sv}): UDisks2 picks
// the mount point (under /media/<user>/) and the options for the user.
bool mount(sd_bus* bus, const std::string& path, std::string& mountPoint) {
    Message call = newCall(bus, path.c_str(), FILESYSTEM, "Mount");
    if (!call || sd_bus_message_append(call.get(), "a{sv}", 0) < 0) {
        return false;
    }
    BusError error;
    sd_bus_message* reply = nullptr;
    if (sd_bus_call(bus, call.get(), MOUNT_TIMEOUT_USEC, error.get(), &reply) < 0) {
        return false;
    }
    Message answer{reply};
    const char* text = nullptr;
    if (sd_bus_message_read(answer.get(), "s", &text) < 0 || text == nullptr || text[0] == '\0') {
        return false;
    }
    mountPoint = text;
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "ECE2-2CF8" back to 0xECE22CF8; false for any other form.
bool serialFromUuid(const std::string& uuid, std::uint32_t& serial) {
    if (uuid.size() != 9 || uuid[4] != '-') {
        return false;
    }
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < uuid.size(); ++i) {
        if (i == 4) {
            continue;
        }
        const int digit = hexDigit(uuid[i]);
        if (digit < 0) {
            return false;
        }
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    serial = value;
    return true;
}

bool isRemovableDrive(const std::map<std::string, ObjectFacts>& objects, const std::string& drive) {
    const auto found = objects.find(drive);
    return found != objects.end() && found->second.hasDrive && (found->second.removable || found->second.mediaRemovable);
}

// A mount point whose file system is mounted read-only (the "ro" option),
// though the block device itself may be writable.
bool isMountedReadOnly(const std::string& mountPoint) {
    struct statvfs status {};
    return ::statvfs(mountPoint.c_str(), &status) == 0 && (status.f_flag & ST_RDONLY) != 0;
}

Volume volumeOf(const ObjectFacts& facts, bool removable, const std::string& mountPoint) {
    Volume volume;
    volume.root = rootOfMountPoint(mountPoint);
    volume.removable = removable;
    volume.readable = true;
    // A FAT file system without a serial has none to show: 0, as Windows reports it.
    std::uint32_t serial = 0;
    volume.serialNumber = serialFromUuid(facts.idUuid, serial) ? serial : 0;
    volume.fileSystemName = facts.idVersion == "FAT12" || facts.idVersion == "FAT16" ? "FAT" : "FAT32";
    volume.readOnly = facts.blockReadOnly || isMountedReadOnly(mountPoint);
    return volume;
}

}  // namespace

bool listUDisks2Volumes(VolumeList& volumes, bool mountTheRadio) {
    volumes.clear();
    sd_bus* opened = nullptr;
    if (sd_bus_open_system(&opened) < 0) {
        return false;
    }
    Bus bus{opened};
    std::map<std::string, ObjectFacts> objects;
    std::string service;
    if (!listObjects(bus.get(), objects, service)) {
        return false;  // no such service on the bus, none to start, or no answer
    }

    std::unique_lock<std::mutex> guard(mountLock, std::defer_lock);
    if (mountTheRadio) {
        guard.lock();
        // A refused volume that left may be asked again when it comes back.
        std::set<std::string> present;
        for (const auto& entry : objects) {
            present.insert(service + entry.first);
        }
        for (auto it = refusedMounts.begin(); it != refusedMounts.end();) {
            it = present.count(*it) == 0 ? refusedMounts.erase(it) : std::next(it);
        }
    }
    for (const auto& [path, facts] : objects) {
        if (!facts.hasBlock || !facts.hasFilesystem || facts.idType != "vfat") {
            continue;
        }
        const bool removable = isRemovableDrive(objects, facts.drive);
        std::string mountPoint = facts.mountPoints.empty() ? std::string() : facts.mountPoints.front();
        if (mountPoint.empty()) {
            std::uint32_t serial = 0;
            const bool isRadio = removable && serialFromUuid(facts.idUuid, serial) && serial == RADIO_VOLUME_SERIAL;
            if (!mountTheRadio || !isRadio || refusedMounts.count(service + path) != 0) {
                continue;
            }
            if (!mount(bus.get(), path, mountPoint)) {
                refusedMounts.insert(service + path);
                continue;
            }
        }
        volumes.push_back(volumeOf(facts, removable, mountPoint));
    }
    return true;
}

}  // namespace platform::linux_volumes
