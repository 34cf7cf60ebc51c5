#include "platform/volumes.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "platform/win32/wide_text.h"

namespace platform {

namespace {

constexpr int DRIVE_LETTER_COUNT = 26;

// The system's text for an error code in the user's language, without the
// line break it ends with. Read as UTF-16 and kept as UTF-8, the encoding of
// every text the dialog shows, so the reason reads right whatever the
// computer's ANSI code page is.
void describeError(DWORD code, char* message, std::size_t capacity) {
    wchar_t units[VOLUME_MESSAGE_CAPACITY];
    DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                    units, static_cast<DWORD>(VOLUME_MESSAGE_CAPACITY), nullptr);
    while (length > 0 && (units[length - 1] == L'\r' || units[length - 1] == L'\n' || units[length - 1] == L' ')) {
        --length;
    }
    if (length == 0) {
        std::snprintf(message, capacity, "error %lu", static_cast<unsigned long>(code));
        return;
    }
    win32::copyAsUtf8(units, static_cast<int>(length), message, static_cast<std::uint32_t>(capacity));
}

void describeDrive(int letter, VolumeDescriptor& volume) {
    volume = VolumeDescriptor{};
    std::snprintf(volume.root, sizeof volume.root, "%c:\\", 'A' + letter);
    const UINT type = ::GetDriveTypeA(volume.root);
    volume.removable = type == DRIVE_REMOVABLE;
    if (type != DRIVE_REMOVABLE && type != DRIVE_FIXED) {
        // Network shares, optical drives and RAM disks are never the device;
        // asking them may wait on a server or spin up a disc.
        return;
    }
    // No "insert a disk" message box for an empty drive: the call fails instead.
    DWORD previousMode = 0;
    ::SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previousMode);
    DWORD serial = 0;
    DWORD maximumNameLength = 0;
    DWORD flags = 0;
    if (!::GetVolumeInformationA(volume.root, nullptr, 0, &serial, &maximumNameLength, &flags, volume.fileSystem,
                                 sizeof volume.fileSystem)) {
        // For example a card reader without a card ("The device is not ready").
        const DWORD error = ::GetLastError();
        ::SetThreadErrorMode(previousMode, nullptr);
        volume.fileSystem[0] = '\0';
        volume.fault = VolumeFault::Unreadable;
        describeError(error, volume.message, sizeof volume.message);
        return;
    }
    ::SetThreadErrorMode(previousMode, nullptr);
    volume.serialKnown = true;
    volume.serialNumber = serial;
    volume.readOnly = (flags & FILE_READ_ONLY_VOLUME) != 0;
}

}  // namespace

const char* volumeDiscoveryName() { return "Windows volumes"; }

void listVolumes(VolumeList& list, MountRequest) {
    list.count = 0;
    const DWORD present = ::GetLogicalDrives();
    for (int letter = 0; letter < DRIVE_LETTER_COUNT && list.count < VOLUME_LIST_CAPACITY; ++letter) {
        if ((present & (DWORD{1} << letter)) != 0) {
            describeDrive(letter, list.volumes[list.count++]);
        }
    }
}

}  // namespace platform
