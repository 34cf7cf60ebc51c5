#include "device/device_write_guard.h"

#include <mutex>

namespace device {

namespace {

// Held by the thread that writes the device (a worker) for a whole section,
// and briefly by the thread that ends the program (the user-interface
// thread), which sets `ending` under it.
std::recursive_mutex deviceWrites;
bool ending = false;

}  // namespace

DeviceWriteSection::DeviceWriteSection() : admitted_(true) {
    deviceWrites.lock();
    if (ending) {
        deviceWrites.unlock();
        admitted_ = false;
    }
}

DeviceWriteSection::~DeviceWriteSection() {
    if (admitted_) {
        deviceWrites.unlock();
    }
}

void endDeviceWrites() {
    const std::lock_guard<std::recursive_mutex> hold(deviceWrites);
    ending = true;
}

bool tryEndDeviceWrites() {
    if (!deviceWrites.try_lock()) {
        return false;
    }
    ending = true;
    deviceWrites.unlock();
    return true;
}

void resetDeviceWriteGuard() {
    const std::lock_guard<std::recursive_mutex> hold(deviceWrites);
    ending = false;
}

}  // namespace device
