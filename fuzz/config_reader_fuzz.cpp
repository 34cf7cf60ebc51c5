// The configuration reader over a real file of any content: it stays inside
// its fixed buffers, keeps every text terminated, counts the file's length
// and keeps its first bytes exactly as read.

#include <algorithm>
#include <cstring>

#include "device/config_reader.h"
#include "device/device_settings.h"
#include "fuzz/fuzz_drive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace fuzzing;
    static const bool statusWritten = (writeDriveFile("doc/status.st", "21ms_swver:1.0.0\n"), true);
    (void)statusWritten;
    writeDriveFile("doc/global-config.cfg", data, size);

    device::resetDeviceSettings();
    FUZZ_CHECK(device::readDeviceFiles() == 1);

    const device::DeviceSettings& s = device::deviceSettings;
    FUZZ_CHECK(device::configFileSize == size);
    const std::size_t kept = std::min<std::size_t>(size, device::CONFIG_BYTES_CAPACITY);
    FUZZ_CHECK(kept == 0 || std::memcmp(device::configFileBytes, data, kept) == 0);
    FUZZ_CHECK(terminatedWithin(device::configText));
    for (const bool terminated :
         {terminatedWithin(s.wifi_ssid), terminatedWithin(s.wifi_pass), terminatedWithin(s.gsm_pin),
          terminatedWithin(s.gsm_country), terminatedWithin(s.gsm_provider), terminatedWithin(s.gsm_apn),
          terminatedWithin(s.gsm_user), terminatedWithin(s.gsm_pass), terminatedWithin(s.gsm_dns1),
          terminatedWithin(s.gsm_dns2), terminatedWithin(s.gsm_gw)}) {
        FUZZ_CHECK(terminated);
    }
    FUZZ_CHECK(s.device == device::DeviceKind::Hxa || s.device == device::DeviceKind::Hxb);
    FUZZ_CHECK(s.gsm_has_apn == 0 || s.gsm_has_apn == 1);
    FUZZ_CHECK(s.gsm_roaming == 0 || s.gsm_roaming == 1);
    return 0;
}
