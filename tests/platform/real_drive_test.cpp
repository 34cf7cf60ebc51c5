// The device link over the real Windows volume and file calls. The test
// runner gives Wine a removable FAT32 drive with the device's serial number
// and names its root in ONDAVOX_TEST_DEVICE_ROOT; without it these tests skip.

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "app/settings_form.h"
#include "device/config_reader.h"
#include "device/config_writer.h"
#include "device/device_settings.h"
#include "device/discovery.h"
#include "device/status_file.h"
#include "platform/volumes.h"
#include "res/control_ids.h"
#include "tests/support/memory_dialog.h"

namespace {

namespace fs = std::filesystem;

class RealDrive : public ::testing::Test {
protected:
    void SetUp() override {
        const char* root = std::getenv("ONDAVOX_TEST_DEVICE_ROOT");
        if (root == nullptr || *root == '\0') {
            GTEST_SKIP() << "no device drive prepared (ONDAVOX_TEST_DEVICE_ROOT unset)";
        }
        root_ = root;
        device::resetDeviceSettings();
        fs::remove_all(root_ + "doc");
        fs::create_directories(root_ + "doc");
    }

    void write(const std::string& relative, const std::string& bytes) {
        std::ofstream out(root_ + relative, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    std::string read(const std::string& relative) {
        std::ifstream in(root_ + relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::string root_;
};

TEST_F(RealDrive, VolumeLooksLikeTheDevice) {
    static platform::VolumeList list;
    platform::listVolumes(list, platform::MOUNT_NOTHING);
    const platform::VolumeDescriptor* volume = nullptr;
    for (std::size_t i = 0; i < list.count; ++i) {
        if (root_ == list.volumes[i].root) {
            volume = &list.volumes[i];
        }
    }
    ASSERT_NE(volume, nullptr);
    EXPECT_TRUE(volume->removable);
    EXPECT_EQ(volume->fault, platform::VolumeFault::None) << volume->message;
    EXPECT_TRUE(volume->serialKnown);
    EXPECT_EQ(volume->serialNumber, device::DEVICE_VOLUME_SERIAL);
    EXPECT_STREQ(volume->fileSystem, "FAT32");
    EXPECT_FALSE(volume->readOnly);
}

TEST_F(RealDrive, FindsTheDeviceAndNeedsNoSwitch) {
    ASSERT_EQ(device::findDevice(), 1);
    EXPECT_EQ(std::string(device::deviceRoot), root_);
    device::switchDeviceToWritable();
    EXPECT_EQ(std::string(device::deviceRoot), root_);
}

TEST_F(RealDrive, ReadsProbesAndSavesTheDeviceFiles) {
    const std::string config = std::string("version = 2\nwifi_ssid = \"radio\"\ngsm_apn = \"web\"\n") +
                               std::string(600, '\0');
    write("doc/global-config.cfg", config);
    write("doc/status.st", "21ms_swver: 2.1.7\r\n");
    write("doc/update.bin", "");
    ASSERT_EQ(device::findDevice(), 1);

    ASSERT_EQ(device::readDeviceFiles(), 1);
    EXPECT_STREQ(device::deviceSettings.wifi_ssid, "radio");
    EXPECT_EQ(device::configFileSize, config.size());
    EXPECT_STREQ(device::deviceSoftwareVersion, " 2.1.7\r");
    EXPECT_EQ(device::updateSupported, 1);

    testsupport::MemoryDialog form;
    form.setText(IDC_WIFI_SSID, "saved");
    form.setText(IDC_APN, "web");
    ASSERT_EQ(app::writeDeviceConfig(form.handle()), 1);
    const std::string saved = read("doc/global-config.cfg");
    EXPECT_EQ(saved.size(), config.size());
    EXPECT_NE(saved.find("wifi_ssid = \"saved\"\n"), std::string::npos);
}

}  // namespace
