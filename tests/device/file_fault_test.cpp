// The device's files under failing file calls: every call of a save and of
// readDeviceFiles meets each fault in turn. A save then reports 0 and leaves
// the file byte for byte; a read reports 0 when part of a file is missing and
// leaves no half-read record; nothing on the drive changes and no file stays
// open.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>

#include "app/settings_form.h"
#include "device/config_reader.h"
#include "device/config_writer.h"
#include "device/device_settings.h"
#include "device/status_file.h"
#include "res/control_ids.h"
#include "tests/device/device_fixture.h"
#include "tests/support/file_faults.h"
#include "tests/support/memory_dialog.h"

namespace {

using testsupport::FileCall;
using testsupport::FileFault;
using testsupport::FileOperation;

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Two chunks' worth of settings, so a read spans several calls; no NUL, so a
// short read changes nothing of what is read.
std::string twoChunkConfig() {
    std::string file = "version = 2\nwifi_ssid = \"old net\"\ngsm_pin = \"0000\"\ngsm_apn = \"old.apn\"\n";
    while (file.size() < 1400) {
        file += "# a comment line the device keeps between its settings\n";
    }
    return file + "gsm_gw = \"10.0.0.254\"\nradio_profile = 0\n";
}

const std::string STATUS = "signal: -71 dBm\n21ms_swver:2.4.1\nuptime: 12 h\n";

class FileFaults : public testsupport::DeviceDriveTest {};

TEST_F(FileFaults, FailedSaveLeavesTheFileByteForByte) {
    // Saved files are text then NULs up to the old length.
    std::string old = "version = 2\nwifi_ssid = \"old net\"\ngsm_pin = \"0000\"\ngsm_apn = \"old.apn\"\n";
    old += std::string(900 - old.size(), '\0');
    testsupport::MemoryDialog form;
    std::string before;

    testsupport::forEachFileFault(
        [&] {
            writeConfig(old);
            writeStatus(STATUS);
            ASSERT_EQ(device::readDeviceFiles(), 1);
            form.reset();
            form.setText(IDC_WIFI_SSID, "a new network name");
            form.setText(IDC_GSM_PIN, "1234");
            form.setText(IDC_APN, "web.example");
            before = drive.listing();
        },
        [&] { return app::writeDeviceConfig(form.handle()); },
        [&](const FileCall* hit, FileFault, int result) {
            const std::string saved = drive.readFile("doc/global-config.cfg");
            if (hit == nullptr) {
                ASSERT_EQ(result, 1);
                EXPECT_NE(saved.find("gsm_pin = \"1234\"\n"), std::string::npos);
            } else {
                EXPECT_EQ(result, 0);
                EXPECT_EQ(saved, old);
            }
            EXPECT_EQ(drive.listing(), before);
        });
}

// What readDeviceFiles leaves behind, as comparable text.
struct Records {
    std::string settings;
    std::string configText;
    std::uint32_t configFileSize = 0;
    std::string configBytes;
    std::string statusText;
    std::string softwareVersion;
    std::int32_t updateSupported = 0;

    static Records now() {
        const device::DeviceSettings& s = device::deviceSettings;
        Records r;
        std::ostringstream settings;
        settings << s.version << '|' << static_cast<int>(s.device);
        for (const char* text : {s.wifi_ssid, s.wifi_pass, s.gsm_pin, s.gsm_country, s.gsm_provider, s.gsm_apn,
                                 s.gsm_user, s.gsm_pass, s.gsm_dns1, s.gsm_dns2, s.gsm_gw}) {
            settings << '|' << text;
        }
        settings << '|' << s.gsm_has_apn << '|' << s.gsm_roaming << '|' << s.radio_profile;
        r.settings = settings.str();
        r.configText = device::configText;
        r.configFileSize = device::configFileSize;
        r.configBytes.assign(device::configFileBytes,
                             std::min<std::uint32_t>(device::configFileSize, device::CONFIG_BYTES_CAPACITY));
        r.statusText = device::statusText;
        r.softwareVersion = device::deviceSoftwareVersion;
        r.updateSupported = device::updateSupported;
        return r;
    }

    void takeConfigFrom(const Records& other) {
        settings = other.settings;
        configText = other.configText;
        configFileSize = other.configFileSize;
        configBytes = other.configBytes;
    }

    bool operator==(const Records&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Records& r) {
    return out << "settings " << r.settings << ", configFileSize " << r.configFileSize << ", status text \""
               << r.statusText << "\", version \"" << r.softwareVersion << "\", updateSupported " << r.updateSupported;
}

TEST_F(FileFaults, ReadErrorsAreNotTheEndOfAFile) {
    const std::string config = twoChunkConfig();
    std::string before;
    Records earlier;  // what an earlier read left, which a failed open must not touch
    Records clean;
    Records programStart;
    device::resetDeviceSettings();
    programStart = Records::now();

    testsupport::forEachFileFault(
        [&] {
            writeConfig(config);
            writeStatus(STATUS);
            drive.writeFile("doc/update.bin", "");
            device::resetDeviceSettings();
            std::strcpy(device::deviceSettings.wifi_ssid, "earlier");
            std::strcpy(device::configText, "earlier text");
            device::configFileSize = 0;
            std::strcpy(device::statusText, "earlier status");
            std::strcpy(device::deviceSoftwareVersion, "0.9.9");
            device::updateSupported = 1;
            earlier = Records::now();
            before = drive.listing();
        },
        [] { return device::readDeviceFiles(); },
        [&](const FileCall* hit, FileFault fault, int result) {
            EXPECT_EQ(drive.listing(), before);
            if (hit == nullptr) {
                ASSERT_EQ(result, 1);
                clean = Records::now();
                ASSERT_EQ(clean.configFileSize, config.size());
                ASSERT_EQ(clean.softwareVersion, "2.4.1");
                return;
            }
            const bool configFile = endsWith(hit->path, "global-config.cfg");
            const bool statusFile = endsWith(hit->path, "status.st");
            // A short read is no error; neither is a failed close of a file
            // that was only read or probed.
            const bool delivered = (hit->operation == FileOperation::Read && fault == FileFault::Short) ||
                                   hit->operation == FileOperation::Close;
            int expectedResult = 1;
            Records expected = clean;
            if (delivered) {
                // as without a fault
            } else if (hit->operation == FileOperation::Open && configFile) {
                expectedResult = 0;
                expected = earlier;  // nothing read, nothing changed
            } else if (hit->operation == FileOperation::Read && configFile) {
                expectedResult = 0;
                expected = earlier;
                expected.takeConfigFrom(programStart);
            } else if (hit->operation == FileOperation::Open && statusFile) {
                expectedResult = 0;
                expected = earlier;
                expected.takeConfigFrom(clean);
            } else if (hit->operation == FileOperation::Read && statusFile) {
                expectedResult = 0;
                expected.statusText = "";
                expected.softwareVersion = "";
                expected.updateSupported = 0;
            } else if (hit->operation == FileOperation::Open && endsWith(hit->path, "update.bin")) {
                expected.updateSupported = 0;  // a slot that does not open offers no update
            } else {
                ADD_FAILURE() << "unexpected call";
            }
            EXPECT_EQ(result, expectedResult);
            EXPECT_EQ(Records::now(), expected);
        });
}

}  // namespace
