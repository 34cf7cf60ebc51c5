#include "device/device_files.h"

#include <cstdio>

#include "device/discovery.h"

namespace device {

// Any root deviceRoot holds makes a path with any of the device's files.
static_assert(DEVICE_ROOT_CAPACITY + sizeof CONFIG_FILE_PATH <= DEVICE_PATH_CAPACITY);

bool formatDevicePath(char* path, const char* relativePath) {
    const int length = std::snprintf(path, DEVICE_PATH_CAPACITY, "%s%s", deviceRoot, relativePath);
    if (length < 0 || static_cast<std::uint32_t>(length) >= DEVICE_PATH_CAPACITY) {
        path[0] = '\0';
        return false;
    }
    return true;
}

}  // namespace device
