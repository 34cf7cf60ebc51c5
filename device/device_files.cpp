#include "device/device_files.h"

#include <cstdio>

#include "device/discovery.h"

namespace device {

bool formatDevicePath(char* path, const char* relativePath) {
    const int length = std::snprintf(path, DEVICE_PATH_CAPACITY, "%s%s", deviceRoot, relativePath);
    if (length < 0 || static_cast<std::uint32_t>(length) >= DEVICE_PATH_CAPACITY) {
        path[0] = '\0';
        return false;
    }
    return true;
}

}  // namespace device
