#include "device/device_settings.h"

namespace device {

DeviceSettings deviceSettings;
char configText[TEXT_FILE_CAPACITY];
std::uint32_t configFileSize = 0;
char configFileBytes[CONFIG_BYTES_CAPACITY];

void resetDeviceSettings() {
    deviceSettings = DeviceSettings{};
    configText[0] = '\0';
    configFileSize = 0;
}

}  // namespace device
