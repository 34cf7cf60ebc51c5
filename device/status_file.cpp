#include "device/status_file.h"

#include <cstring>

#include "device/device_files.h"
#include "device/text_file_reader.h"
#include "platform/files.h"

namespace device {

char statusText[TEXT_FILE_CAPACITY];
char deviceSoftwareVersion[SOFTWARE_VERSION_CAPACITY];
std::int32_t updateSupported = 0;

namespace {

constexpr char SOFTWARE_VERSION_KEY[] = "21ms_swver";

bool isBlankOrReturn(char c) { return c == ' ' || c == '\t' || c == '\r'; }

}  // namespace

void parseSoftwareVersionLine(const char* line) {
    constexpr std::size_t keyLength = sizeof SOFTWARE_VERSION_KEY - 1;
    if (std::strncmp(line, SOFTWARE_VERSION_KEY, keyLength) != 0) {
        return;
    }
    const char* colon = std::strchr(line + keyLength, ':');
    if (colon == nullptr || colon[1] == '\0') {
        return;
    }
    const char* value = colon + 1;
    std::size_t length = std::strlen(value);
    if (length > SOFTWARE_VERSION_CAPACITY - 1) {
        // Too long to keep whole: drop what carries no version before cutting.
        while (length > 0 && isBlankOrReturn(*value)) {
            ++value;
            --length;
        }
        while (length > 0 && isBlankOrReturn(value[length - 1])) {
            --length;
        }
        if (length > SOFTWARE_VERSION_CAPACITY - 1) {
            length = SOFTWARE_VERSION_CAPACITY - 1;
        }
    }
    std::memcpy(deviceSoftwareVersion, value, length);
    deviceSoftwareVersion[length] = '\0';
}

void resetStatusRecords() {
    statusText[0] = '\0';
    deviceSoftwareVersion[0] = '\0';
    updateSupported = 0;
}

std::int32_t readStatusFiles() {
    char path[DEVICE_PATH_CAPACITY];
    if (!formatDevicePath(path, STATUS_FILE_PATH)) {
        return 0;
    }
    {
        platform::File status = platform::openDeviceFileForReading(path);
        if (!status.isOpen()) {
            return 0;
        }
        statusText[0] = '\0';
        if (!readDeviceTextFile(status, statusText, parseSoftwareVersionLine, false)) {
            // A version from half a file could be an old one, or none (0.0.0,
            // which every server version would beat).
            resetStatusRecords();
            return 0;
        }
    }

    // The slot only opens for writing when the device accepts an image; the
    // probe writes nothing and never creates the file.
    updateSupported = 0;
    if (formatDevicePath(path, UPDATE_SLOT_PATH)) {
        platform::File slot = platform::openExistingForWriting(path);
        if (slot.isOpen()) {
            updateSupported = 1;
        }
    }
    return 1;
}

}  // namespace device
