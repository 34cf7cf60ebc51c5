#pragma once
// A temporary folder standing for the device's drive, with deviceRoot and the
// process-wide device records set up for it.

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "device/config_reader.h"
#include "device/device_settings.h"
#include "device/device_write_guard.h"
#include "device/discovery.h"
#include "device/status_file.h"
#include "tests/support/temp_folder.h"

namespace testsupport {

class DeviceDriveTest : public ::testing::Test {
protected:
    void SetUp() override {
        device::resetDeviceSettings();
        device::resetStatusRecords();
        device::resetDeviceFilesRead();
        device::resetDeviceWriteGuard();
        ASSERT_LT(drive.root().size(), sizeof device::deviceRoot);
        std::memcpy(device::deviceRoot, drive.root().c_str(), drive.root().size() + 1);
    }

    void writeConfig(const std::string& bytes) { drive.writeFile("doc/global-config.cfg", bytes); }
    void writeStatus(const std::string& bytes) { drive.writeFile("doc/status.st", bytes); }

    TempFolder drive;
};

}  // namespace testsupport
