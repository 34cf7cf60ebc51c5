// What the kernel says about mounted FAT volumes, where no UDisks2 service
// answers. A line of /proc/self/mountinfo reads
//   36 35 8:17 / /media/radio rw,nosuid master:1 - vfat /dev/sdb1 rw,fmask=0022
// (id, parent, major:minor, the volume's folder shown, mount point, mount
// options, optional fields, "-", type, source, the file system's options).

#include "platform/linux/kernel_mount_table.h"

#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace platform::linux_volumes {

namespace {

constexpr char MOUNT_INFO[] = "/proc/self/mountinfo";
constexpr char SYSFS_ROOT[] = "/sys";
constexpr std::size_t BOOT_SECTOR_SIZE = 512;
// The FAT file systems Windows names FAT32 have at least this many clusters.
constexpr unsigned long FAT32_MIN_CLUSTERS = 65525;

std::mutex pathsLock;
std::string mountInfoPath = MOUNT_INFO;
std::string sysfsRootPath = SYSFS_ROOT;

struct Mount {
    std::string devNumbers;  // "8:17"
    std::string volumeFolder;
    std::string mountPoint;
    std::string mountOptions;
    std::string type;
    std::string source;
    std::string fileSystemOptions;
};

// The table writes a blank, tab, newline and backslash in a path as \ and
// three octal digits.
std::string unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '3' &&
            text[i + 2] >= '0' && text[i + 2] <= '7' && text[i + 3] >= '0' && text[i + 3] <= '7') {
            out += static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0'));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool parseMountLine(const std::string& line, Mount& mount) {
    std::istringstream fields(line);
    std::vector<std::string> words;
    for (std::string word; fields >> word;) {
        words.push_back(word);
    }
    // Six fixed fields, any number of optional ones, "-", then three more.
    std::size_t separator = 6;
    while (separator < words.size() && words[separator] != "-") {
        ++separator;
    }
    if (separator + 2 >= words.size()) {
        return false;
    }
    mount.devNumbers = words[2];
    mount.volumeFolder = unescape(words[3]);
    mount.mountPoint = unescape(words[4]);
    mount.mountOptions = words[5];
    mount.type = words[separator + 1];
    mount.source = unescape(words[separator + 2]);
    mount.fileSystemOptions = separator + 3 < words.size() ? words[separator + 3] : std::string();
    return true;
}

bool hasOption(const std::string& options, const char* option) {
    std::istringstream list(options);
    for (std::string item; std::getline(list, item, ',');) {
        if (item == option) {
            return true;
        }
    }
    return false;
}

bool readFirstLine(const std::string& path, std::string& line) {
    std::ifstream in(path);
    return static_cast<bool>(std::getline(in, line));
}

// The block device's folder in sysfs, /sys/dev/block/<major>:<minor>; a
// partition's folder lies inside its disk's, and only the disk says whether
// its medium is removable.
bool deviceIsPresent(const std::string& sysfsRoot, const std::string& devNumbers) {
    struct stat status {};
    return ::stat((sysfsRoot + "/dev/block/" + devNumbers).c_str(), &status) == 0;
}

bool deviceIsRemovable(const std::string& sysfsRoot, const std::string& devNumbers) {
    const std::string device = sysfsRoot + "/dev/block/" + devNumbers;
    struct stat status {};
    const bool isPartition = ::stat((device + "/partition").c_str(), &status) == 0;
    std::string flag;
    return readFirstLine(device + (isPartition ? "/../removable" : "/removable"), flag) && flag == "1";
}

std::uint32_t littleEndian32(const unsigned char* bytes) {
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
           std::uint32_t{bytes[3]} << 24;
}

// The serial and the FAT kind from the volume's boot sector. FAT32's BPB has
// no 16-bit FAT size (0 there) and its serial at offset 67; FAT12 and FAT16
// keep it at offset 39. Either is there only with the extended boot
// signature 0x29 before it; without one the volume has no serial (0).
bool readBootSector(const std::string& source, Volume& volume) {
    if (source.empty() || source.front() != '/') {
        return false;
    }
    const int fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return false;
    }
    unsigned char sector[BOOT_SECTOR_SIZE];
    struct stat status {};
    const bool isVolume = ::fstat(fd, &status) == 0 && (S_ISBLK(status.st_mode) || S_ISREG(status.st_mode));
    const ssize_t length = isVolume ? ::pread(fd, sector, sizeof sector, 0) : -1;
    ::close(fd);
    if (length != static_cast<ssize_t>(sizeof sector) || sector[510] != 0x55 || sector[511] != 0xAA) {
        return false;
    }
    const bool fat32 = sector[22] == 0 && sector[23] == 0;
    const std::size_t signature = fat32 ? 66 : 38;
    volume.serialNumber = sector[signature] == 0x29 ? littleEndian32(sector + signature + 1) : 0;
    volume.fileSystemName = fat32 ? "FAT32" : "FAT";
    volume.readable = true;
    return true;
}

// Where the block device may not be read (a user outside the "disk" group),
// the mounted file system tells its serial itself; its cluster count tells
// FAT32 from FAT12 and FAT16.
bool askMountedFileSystem(const std::string& mountPoint, Volume& volume) {
    const int fd = ::open(mountPoint.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    __u32 serial = 0;
    struct statfs status {};
    const bool answered = ::ioctl(fd, FAT_IOCTL_GET_VOLUME_ID, &serial) == 0 && ::fstatfs(fd, &status) == 0;
    ::close(fd);
    if (!answered) {
        return false;
    }
    volume.serialNumber = serial;
    volume.fileSystemName = status.f_blocks >= FAT32_MIN_CLUSTERS ? "FAT32" : "FAT";
    volume.readable = true;
    return true;
}

}  // namespace

void setKernelTablePaths(const char* mountInfo, const char* sysfsRoot) {
    std::lock_guard<std::mutex> guard(pathsLock);
    mountInfoPath = mountInfo != nullptr ? mountInfo : MOUNT_INFO;
    sysfsRootPath = sysfsRoot != nullptr ? sysfsRoot : SYSFS_ROOT;
}

void listKernelVolumes(VolumeList& volumes) {
    volumes.clear();
    std::string mountInfo;
    std::string sysfsRoot;
    {
        std::lock_guard<std::mutex> guard(pathsLock);
        mountInfo = mountInfoPath;
        sysfsRoot = sysfsRootPath;
    }
    std::ifstream table(mountInfo);
    for (std::string line; std::getline(table, line);) {
        Mount mount;
        // Only mounts that show the volume's root: a bind mount of one of
        // its folders is not the radio's root.
        if (!parseMountLine(line, mount) || mount.type != "vfat" || mount.volumeFolder != "/") {
            continue;
        }
        // A device that was unplugged leaves its mount behind until someone
        // unmounts it; its volume is gone all the same.
        if (!deviceIsPresent(sysfsRoot, mount.devNumbers)) {
            continue;
        }
        Volume volume;
        volume.root = rootOfMountPoint(mount.mountPoint);
        volume.removable = deviceIsRemovable(sysfsRoot, mount.devNumbers);
        volume.readOnly = hasOption(mount.mountOptions, "ro") || hasOption(mount.fileSystemOptions, "ro");
        if (!readBootSector(mount.source, volume)) {
            askMountedFileSystem(mount.mountPoint, volume);
        }
        volumes.push_back(volume);
    }
}

}  // namespace platform::linux_volumes
