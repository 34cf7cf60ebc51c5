// radio-drive.exe: defines and removes the simulated radio's drive letter
// inside a running Wine session, the way a USB stick comes and goes.
//
//   radio-drive define LETTER UNIX_FOLDER [--read-only]
//   radio-drive remove LETTER
//   radio-drive show LETTER
//   radio-drive list
//
// Wine's drive manager takes drive definitions at run time through the
// device-control request below; editing the prefix's dosdevices links while
// Wine runs is not seen. The folder must hold .wine-sb/sb.img, a FAT32 boot
// sector from which Wine reads the volume's serial number and file system.
// --read-only points the letter at the simulator's kernel driver, which
// reports the same volume with the read-only flag; files still come from the
// folder.

#include <windows.h>
#include <winioctl.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

// Wine's own request for defining a drive from a Unix folder; the layout is
// Wine's (include/ddk/mountmgr.h), not the one of the Windows DDK.
constexpr DWORD IOCTL_DEFINE_UNIX_DRIVE =
    CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

struct UnixDriveRequest {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDevice;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
};

constexpr ULONG FS_TYPE_FAT32 = 3;
constexpr DWORD RADIO_SERIAL = 0xECE22CF8;
constexpr const wchar_t* READ_ONLY_DEVICE = L"\\Device\\OndavoxRadioReadOnly";
constexpr const char* BOOT_SECTOR = "/.wine-sb/sb.img";

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (h_ != INVALID_HANDLE_VALUE) {
            CloseHandle(h_);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_;
};

bool sendDefinition(char letter, ULONG type, const char* folder, bool withBootSector) {
    char device[1024] = "";
    if (folder != nullptr) {
        const int length = std::snprintf(device, sizeof device, "%s%s", folder, BOOT_SECTOR);
        if (length < 0 || static_cast<std::size_t>(length) >= sizeof device) {
            std::fprintf(stderr, "radio-drive: folder path too long\n");
            return false;
        }
    }
    alignas(8) unsigned char buffer[sizeof(UnixDriveRequest) + 2 * 1024 + 2];
    std::memset(buffer, 0, sizeof buffer);
    auto* request = reinterpret_cast<UnixDriveRequest*>(buffer);
    std::size_t size = sizeof(UnixDriveRequest);
    request->type = type;
    request->fsType = FS_TYPE_FAT32;
    request->serial = RADIO_SERIAL;
    request->letter = static_cast<WCHAR>(letter);
    if (folder != nullptr) {
        const std::size_t folderLength = std::strlen(folder);
        if (folderLength >= 1024) {
            std::fprintf(stderr, "radio-drive: folder path too long\n");
            return false;
        }
        request->mountPointOffset = static_cast<USHORT>(size);
        std::memcpy(buffer + size, folder, folderLength + 1);
        size += folderLength + 1;
        if (withBootSector) {
            request->deviceOffset = static_cast<USHORT>(size);
            std::memcpy(buffer + size, device, std::strlen(device) + 1);
            size += std::strlen(device) + 1;
        }
    }
    request->size = static_cast<ULONG>(size);

    Handle manager(CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!manager.valid()) {
        std::fprintf(stderr, "radio-drive: cannot open the mount manager (error %lu)\n", GetLastError());
        return false;
    }
    DWORD returned = 0;
    if (!DeviceIoControl(manager.get(), IOCTL_DEFINE_UNIX_DRIVE, buffer, static_cast<DWORD>(size), nullptr, 0,
                         &returned, nullptr)) {
        std::fprintf(stderr, "radio-drive: the mount manager refused %c: (error %lu)\n", letter, GetLastError());
        return false;
    }
    return true;
}

bool pointAtReadOnlyDevice(char letter) {
    const wchar_t name[3] = {static_cast<wchar_t>(letter), L':', L'\0'};
    // The drive manager's own link for the letter has to go first: a
    // second link of the same name is refused.
    if (!DefineDosDeviceW(DDD_REMOVE_DEFINITION, name, nullptr)) {
        std::fprintf(stderr, "radio-drive: cannot unlink %c: (error %lu)\n", letter, GetLastError());
        return false;
    }
    if (!DefineDosDeviceW(DDD_RAW_TARGET_PATH, name, READ_ONLY_DEVICE)) {
        std::fprintf(stderr, "radio-drive: cannot link %c: to the read-only device (error %lu)\n", letter,
                     GetLastError());
        return false;
    }
    return true;
}

// The link alone proves nothing: without the driver the letter still shows
// a writable volume.
bool showsReadOnly(char letter) {
    const char root[4] = {letter, ':', '\\', '\0'};
    DWORD serial = 0, maxLength = 0, flags = 0;
    char fileSystem[16] = "";
    if (!GetVolumeInformationA(root, nullptr, 0, &serial, &maxLength, &flags, fileSystem, sizeof fileSystem) ||
        (flags & FILE_READ_ONLY_VOLUME) == 0 || serial != RADIO_SERIAL) {
        std::fprintf(stderr,
                     "radio-drive: %c: does not show the read-only volume; is the OndavoxRadio driver running? "
                     "(simulator/prepare-prefix.sh installs it)\n",
                     letter);
        return false;
    }
    return true;
}

int show(char letter) {
    const char root[4] = {letter, ':', '\\', '\0'};
    const UINT type = GetDriveTypeA(root);
    DWORD serial = 0, maxLength = 0, flags = 0;
    char label[64] = "", fileSystem[64] = "";
    if (!GetVolumeInformationA(root, label, sizeof label, &serial, &maxLength, &flags, fileSystem,
                               sizeof fileSystem)) {
        std::printf("%s type=%u no volume (error %lu)\n", root, type, GetLastError());
        return 1;
    }
    std::printf("%s type=%u serial=%08lX fs=%s label=%s flags=%08lX\n", root, type, serial, fileSystem, label,
                flags);
    return 0;
}

int listDrives() {
    const DWORD mask = GetLogicalDrives();
    for (int n = 0; n < 26; ++n) {
        if (mask & (1u << n)) {
            std::printf("%c", 'A' + n);
        }
    }
    std::printf("\n");
    return 0;
}

int usage() {
    std::fprintf(stderr,
                 "usage: radio-drive define LETTER UNIX_FOLDER [--read-only]\n"
                 "       radio-drive remove LETTER\n"
                 "       radio-drive show LETTER\n"
                 "       radio-drive list\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "list") == 0) {
        return listDrives();
    }
    if (argc < 3 || std::strlen(argv[2]) != 1) {
        return usage();
    }
    char letter = argv[2][0];
    if (letter >= 'a' && letter <= 'z') {
        letter = static_cast<char>(letter - 'a' + 'A');
    }
    if (letter < 'A' || letter > 'Z') {
        return usage();
    }
    const char* command = argv[1];
    if (std::strcmp(command, "define") == 0 && (argc == 4 || argc == 5)) {
        const bool readOnly = argc == 5 && std::strcmp(argv[4], "--read-only") == 0;
        if (argc == 5 && !readOnly) {
            return usage();
        }
        if (!sendDefinition(letter, DRIVE_REMOVABLE, argv[3], !readOnly)) {
            return 1;
        }
        if (!readOnly) {
            return 0;
        }
        return pointAtReadOnlyDevice(letter) && showsReadOnly(letter) ? 0 : 1;
    }
    if (std::strcmp(command, "remove") == 0 && argc == 3) {
        return sendDefinition(letter, DRIVE_NO_ROOT_DIR, nullptr, false) ? 0 : 1;
    }
    if (std::strcmp(command, "show") == 0 && argc == 3) {
        return show(letter);
    }
    return usage();
}
