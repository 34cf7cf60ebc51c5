// radio-check.exe: looks at the simulated radio from inside Wine, through
// the same Windows calls and the same device link the utility uses, and
// prints what it finds as "key=value" lines for the simulator's tests.
//
//   radio-check volume LETTER     drive mask, type, serial, file system, read-only flag
//   radio-check find              findDevice: the device's root, or none
//   radio-check switch            findDevice (waits for it), then switchDeviceToWritable
//   radio-check read              findDevice, readDeviceFiles
//   radio-check install IMAGE RECORD_TEXT_FILE
//                                 findDevice, readDeviceFiles (the product installs
//                                 only onto a radio it has read), then installImage
//                                 with that image and the checksum text read from the file

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "device/config_reader.h"
#include "device/device_settings.h"
#include "device/discovery.h"
#include "device/status_file.h"
#include "update/image_update.h"

namespace {

void printDriveMask() {
    const DWORD mask = GetLogicalDrives();
    std::printf("drives=");
    for (int n = 0; n < 26; ++n) {
        if ((mask & (1u << n)) != 0) {
            std::printf("%c", 'A' + n);
        }
    }
    std::printf("\n");
}

int volume(char letter) {
    const char root[4] = {letter, ':', '\\', '\0'};
    printDriveMask();
    std::printf("type=%u\n", GetDriveTypeA(root));
    DWORD serial = 0, maxLength = 0, flags = 0;
    char label[32] = "", fileSystem[32] = "";
    if (!GetVolumeInformationA(root, label, sizeof label, &serial, &maxLength, &flags, fileSystem,
                               sizeof fileSystem)) {
        std::printf("volume=none\n");
        return 0;
    }
    std::printf("serial=%08lX\nfs=%s\nlabel=%s\nreadonly=%d\n", serial, fileSystem, label,
                (flags & FILE_READ_ONLY_VOLUME) != 0 ? 1 : 0);
    return 0;
}

bool waitForDevice(int seconds) {
    for (int i = 0; i <= seconds; ++i) {
        if (device::findDevice() == 1) {
            return true;
        }
        Sleep(1000);
    }
    return false;
}

int find() {
    std::printf("root=%s\n", device::findDevice() == 1 ? device::deviceRoot : "");
    return 0;
}

int switchToWritable() {
    if (!waitForDevice(30)) {
        std::printf("root=\n");
        return 1;
    }
    std::printf("found=%s\n", device::deviceRoot);
    std::fflush(stdout);
    device::switchDeviceToWritable();
    std::printf("root=%s\n", device::deviceRoot);
    return 0;
}

int read() {
    if (device::findDevice() != 1) {
        std::printf("root=\n");
        return 1;
    }
    std::printf("root=%s\n", device::deviceRoot);
    std::printf("read=%d\n", device::readDeviceFiles());
    std::printf("version=%s\n", device::deviceSoftwareVersion);
    std::printf("updateSupported=%d\n", device::updateSupported);
    std::printf("configFileSize=%u\n", static_cast<unsigned>(device::configFileSize));
    std::printf("wifi_ssid=%s\n", device::deviceSettings.wifi_ssid);
    return 0;
}

int install(const char* imagePath, const char* recordTextPath) {
    if (device::findDevice() != 1) {
        std::printf("root=\n");
        return 1;
    }
    if (device::readDeviceFiles() != 1) {
        std::printf("root=%s\nerror=cannot read the radio\n", device::deviceRoot);
        return 1;
    }
    std::FILE* record = std::fopen(recordTextPath, "rb");
    if (record == nullptr) {
        std::printf("error=cannot read %s\n", recordTextPath);
        return 1;
    }
    update::md5TextLength =
        static_cast<std::uint32_t>(std::fread(update::md5Text, 1, sizeof update::md5Text, record));
    std::fclose(record);
    std::snprintf(update::tempImagePath, sizeof update::tempImagePath, "%s", imagePath);
    std::printf("root=%s\n", device::deviceRoot);
    std::printf("installed=%d\n", update::installImage());
    return 0;
}

int usage() {
    std::fprintf(stderr,
                 "usage: radio-check volume LETTER | find | switch | read | install IMAGE RECORD_TEXT_FILE\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return usage();
    }
    const char* command = argv[1];
    if (std::strcmp(command, "volume") == 0 && argc == 3 && std::strlen(argv[2]) == 1) {
        return volume(argv[2][0]);
    }
    if (std::strcmp(command, "find") == 0 && argc == 2) {
        return find();
    }
    if (std::strcmp(command, "switch") == 0 && argc == 2) {
        return switchToWritable();
    }
    if (std::strcmp(command, "read") == 0 && argc == 2) {
        return read();
    }
    if (std::strcmp(command, "install") == 0 && argc == 4) {
        return install(argv[2], argv[3]);
    }
    return usage();
}
