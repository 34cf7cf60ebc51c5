// The radio's volume as UDisks2 shows it on the system bus: a block device
// whose org.freedesktop.UDisks2.Block has IdType "vfat" and IdUUID
// "ECE2-2CF8" (the FAT serial as blkid spells it), on a drive that is
// Removable or MediaRemovable, mounted where its Filesystem's MountPoints say.
// sd-bus (libsystemd) keeps the platform layer free of any toolkit.

#include "platform/linux/udisks2_volumes.h"

#include <sys/statvfs.h>
#include <systemd/sd-bus.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform::linux_volumes {

namespace {

constexpr char SERVICE[] = "org.freedesktop.UDisks2";
constexpr char ROOT_PATH[] = "/org/freedesktop/UDisks2";
constexpr char BLOCK[] = "org.freedesktop.UDisks2.Block";
constexpr char FILESYSTEM[] = "org.freedesktop.UDisks2.Filesystem";
constexpr char DRIVE[] = "org.freedesktop.UDisks2.Drive";

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
    std::uint64_t size = 0;
    std::string drive;
    std::vector<std::string> mountPoints;
    bool hasDrive = false;
    bool removable = false;
    bool mediaRemovable = false;
    std::uint64_t timeMediaDetected = 0;
};

// A refused mount, with what identified the medium then: a medium that
// differs in any of these, or that was seen gone, is asked again.
struct Refusal {
    std::string message;
    std::uint64_t size = 0;
    std::string idUuid;
    std::uint64_t timeMediaDetected = 0;
    std::chrono::steady_clock::time_point when;
};

// Block devices whose mount through UDisks2 was refused, by the service's
// unique bus name and the object path (a restarted service may answer
// otherwise). Guarded by mountLock, which the listings that mount hold
// throughout (a mount may wait long for the user's consent; listings that do
// not mount never wait for it).
std::mutex mountLock;
std::map<std::string, Refusal> refusedMounts;

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

int readUint64Variant(sd_bus_message* message, std::uint64_t& value) {
    char type = 0;
    const char* contents = nullptr;
    int r = sd_bus_message_peek_type(message, &type, &contents);
    if (r < 0) {
        return r;
    }
    if (type != SD_BUS_TYPE_VARIANT || contents == nullptr || std::strcmp(contents, "t") != 0) {
        return sd_bus_message_skip(message, "v");
    }
    std::uint64_t number = 0;
    r = sd_bus_message_read(message, "v", "t", &number);
    if (r >= 0) {
        value = number;
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
        if (std::strcmp(name, "Size") == 0) return readUint64Variant(message, facts.size);
    } else if (interface == FILESYSTEM) {
        if (std::strcmp(name, "MountPoints") == 0) return readMountPointsVariant(message, facts.mountPoints);
    } else if (interface == DRIVE) {
        if (std::strcmp(name, "Removable") == 0) return readBoolVariant(message, facts.removable);
        if (std::strcmp(name, "MediaRemovable") == 0) return readBoolVariant(message, facts.mediaRemovable);
        if (std::strcmp(name, "TimeMediaDetected") == 0) return readUint64Variant(message, facts.timeMediaDetected);
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
// the mount point (under /media/<user>/) and the options for the user. On a
// refusal, message holds the service's own words.
bool mount(sd_bus* bus, const std::string& path, std::string& mountPoint, std::string& message) {
    Message call = newCall(bus, path.c_str(), FILESYSTEM, "Mount");
    if (!call || sd_bus_message_append(call.get(), "a{sv}", 0) < 0) {
        message = "the mount could not be asked for";
        return false;
    }
    BusError error;
    sd_bus_message* reply = nullptr;
    const int r = sd_bus_call(bus, call.get(), MOUNT_TIMEOUT_USEC, error.get(), &reply);
    if (r < 0) {
        const sd_bus_error* e = error.get();
        message = e->message != nullptr && e->message[0] != '\0' ? e->message
                  : e->name != nullptr                            ? e->name
                                                                  : std::strerror(-r);
        return false;
    }
    Message answer{reply};
    const char* text = nullptr;
    if (sd_bus_message_read(answer.get(), "s", &text) < 0 || text == nullptr || text[0] == '\0') {
        message = "the service named no mount point";
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

const ObjectFacts* driveOf(const std::map<std::string, ObjectFacts>& objects, const std::string& drive) {
    const auto found = objects.find(drive);
    return found != objects.end() && found->second.hasDrive ? &found->second : nullptr;
}

bool isRemovableDrive(const ObjectFacts* drive) {
    return drive != nullptr && (drive->removable || drive->mediaRemovable);
}

bool hasFatFileSystem(const ObjectFacts& facts) {
    return facts.hasBlock && facts.hasFilesystem && facts.idType == "vfat";
}

// A refused volume may be asked again once its medium is another one (a
// medium that left and came back is seen with another Size, IdUUID or
// TimeMediaDetected, or was seen gone in between), or once the pause is over.
bool mayAskAgain(const Refusal& refusal, const ObjectFacts& facts, const ObjectFacts* drive,
                 std::chrono::steady_clock::time_point now) {
    const std::uint64_t detected = drive != nullptr ? drive->timeMediaDetected : 0;
    return refusal.size != facts.size || refusal.idUuid != facts.idUuid || refusal.timeMediaDetected != detected ||
           now - refusal.when >= std::chrono::seconds(REFUSED_MOUNT_RETRY_SECONDS);
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

bool listUDisks2Volumes(VolumeList& volumes, const MountRequest& request) {
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
    if (request.wanted) {
        guard.lock();
        // A refused volume whose object left, or whose medium was seen gone
        // (the block device stays, without a file system), may be asked again.
        for (auto it = refusedMounts.begin(); it != refusedMounts.end();) {
            bool present = false;
            for (const auto& [path, facts] : objects) {
                present = present || (service + path == it->first && hasFatFileSystem(facts) && facts.size != 0);
            }
            it = present ? std::next(it) : refusedMounts.erase(it);
        }
    }
    const auto now = std::chrono::steady_clock::now();
    for (const auto& [path, facts] : objects) {
        if (!hasFatFileSystem(facts)) {
            continue;
        }
        const ObjectFacts* drive = driveOf(objects, facts.drive);
        const bool removable = isRemovableDrive(drive);
        std::string mountPoint = facts.mountPoints.empty() ? std::string() : facts.mountPoints.front();
        if (mountPoint.empty()) {
            std::uint32_t serial = 0;
            const bool asked = request.wanted && removable && serialFromUuid(facts.idUuid, serial) &&
                               serial == request.serialNumber;
            if (!asked) {
                continue;
            }
            const std::string key = service + path;
            const auto refused = refusedMounts.find(key);
            std::string message;
            if (refused != refusedMounts.end() && !mayAskAgain(refused->second, facts, drive, now)) {
                message = refused->second.message;
            } else if (!mount(bus.get(), path, mountPoint, message)) {
                Refusal& refusal = refusedMounts[key];
                refusal = Refusal{message, facts.size, facts.idUuid, drive != nullptr ? drive->timeMediaDetected : 0,
                                  std::chrono::steady_clock::now()};
            } else {
                refusedMounts.erase(key);
            }
            if (mountPoint.empty()) {
                Volume volume;
                volume.removable = removable;
                volume.serialNumber = serial;
                volume.mountRefused = true;
                volume.message = message;
                volumes.push_back(volume);
                continue;
            }
        }
        volumes.push_back(volumeOf(facts, removable, mountPoint));
    }
    return true;
}

void forgetRefusedMounts() {
    std::lock_guard<std::mutex> guard(mountLock);
    refusedMounts.clear();
}

}  // namespace platform::linux_volumes
