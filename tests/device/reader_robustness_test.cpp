// Whatever bytes the device's files hold, the reader stays inside its fixed
// buffers (the sanitizers of the native build watch every access) and leaves
// every text terminated within its field.

#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "device/config_reader.h"
#include "device/device_settings.h"
#include "device/status_file.h"
#include "tests/device/device_fixture.h"

namespace {

template <std::size_t N>
bool terminatedWithin(const char (&field)[N]) {
    return std::memchr(field, '\0', N) != nullptr;
}

// Random files built from the pieces that steer the reader (keys, quotes,
// line ends, NULs, long runs) and from random bytes.
std::string randomFile(std::mt19937& random) {
    static const std::string PIECES[] = {
        "\n", "\r\n", "\"", "#", " = ", std::string(1, '\0'), "version = ", "device = \"hxb\"",
        "wifi_ssid = \"", "gsm_pin = \"", "gsm_country = \"", "gsm_has_apn = ", "true", "false",
        "radio_profile = -", "99999999999999999999", "21ms_swver", ":", std::string(700, 'x'),
        std::string(40, '"'),
    };
    std::uniform_int_distribution<int> pieceCount(0, 120);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(PIECES));
    std::uniform_int_distribution<int> byte(0, 255);
    std::string file;
    for (int n = pieceCount(random); n > 0; --n) {
        const std::size_t choice = pick(random);
        file += choice < std::size(PIECES) ? PIECES[choice] : std::string(1, static_cast<char>(byte(random)));
    }
    return file;
}

class ReaderRobustness : public testsupport::DeviceDriveTest {};

TEST_F(ReaderRobustness, ArbitraryFilesStayInsideEveryBuffer) {
    std::mt19937 random(20261210);
    for (int round = 0; round < 300; ++round) {
        const std::string config = randomFile(random);
        const std::string status = randomFile(random);
        writeConfig(config);
        writeStatus(status);
        ASSERT_EQ(device::readDeviceFiles(), 1);

        const device::DeviceSettings& s = device::deviceSettings;
        ASSERT_EQ(device::configFileSize, config.size()) << "round " << round;
        ASSERT_TRUE(terminatedWithin(device::configText));
        ASSERT_TRUE(terminatedWithin(device::statusText));
        ASSERT_TRUE(terminatedWithin(device::deviceSoftwareVersion));
        for (const bool ok :
             {terminatedWithin(s.wifi_ssid), terminatedWithin(s.wifi_pass), terminatedWithin(s.gsm_pin),
              terminatedWithin(s.gsm_country), terminatedWithin(s.gsm_provider), terminatedWithin(s.gsm_apn),
              terminatedWithin(s.gsm_user), terminatedWithin(s.gsm_pass), terminatedWithin(s.gsm_dns1),
              terminatedWithin(s.gsm_dns2), terminatedWithin(s.gsm_gw)}) {
            ASSERT_TRUE(ok) << "round " << round;
        }
        ASSERT_TRUE(s.device == device::DeviceKind::Hxa || s.device == device::DeviceKind::Hxb);
    }
}

}  // namespace
