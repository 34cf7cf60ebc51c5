// installImage under failing file calls: every call meets each fault in turn.
// The installation then reports 0, the device's checksum record keeps exactly
// its old bytes and length (only the image's slot may have changed), and no
// file stays open.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>

#include "device/config_reader.h"
#include "device/discovery.h"
#include "device/status_file.h"
#include "tests/support/file_faults.h"
#include "tests/support/http_test_pattern.h"
#include "tests/support/temp_folder.h"
#include "tests/update/update_test_util.h"
#include "update/image_update.h"
#include "update/md5.h"

namespace {

using testsupport::FileCall;
using testsupport::FileFault;
using testsupport::FileOperation;

// The drive's listing without the image's slot, which an installation may
// change whether or not it succeeds.
std::string listingBesideTheSlot(const testsupport::TempFolder& drive) {
    std::istringstream in(drive.listing());
    std::string kept;
    for (std::string line; std::getline(in, line);) {
        if (!line.starts_with("doc/update.bin ")) {
            kept += line + "\n";
        }
    }
    return kept;
}

struct OldRecordCase {
    const char* name;
    std::string record;  // the checksum file before the installation
};

const OldRecordCase OLD_RECORDS[] = {
    {"EmptyRecord", ""},  // the new record makes the file longer
    {"ShorterRecord", "0123456789abcdef\n\n99"},
    {"LongerRecord", std::string(300, 'r')},
};

class InstallFaults : public ::testing::TestWithParam<OldRecordCase> {};

TEST_P(InstallFaults, FailedInstallationLeavesTheChecksumRecordAsItWas) {
    testsupport::TempFolder drive;
    testsupport::TempFolder temp;
    std::snprintf(device::deviceRoot, sizeof device::deviceRoot, "%s", drive.root().c_str());
    device::deviceFilesRead = true;  // the radio was read and offered a slot
    device::updateSupported = 1;
    // Three pieces of the copy buffer and a bit.
    const std::size_t imageSize = 2 * update::IMAGE_COPY_BLOCK + 500;
    const std::string image = testsupport::patternBytes(61, imageSize);
    temp.writeFile("image.tmp", image);
    std::snprintf(update::tempImagePath, sizeof update::tempImagePath, "%s", temp.nativePath("image.tmp").c_str());
    const std::string checksum = updatetest::md5HexOf(image) + "  Ondavox_update.bvn\n";
    const std::string oldRecord = GetParam().record;
    const std::string newRecord = checksum + "\n" + std::to_string(imageSize);
    std::string before;

    testsupport::forEachFileFault(
        [&] {
            drive.writeFile("doc/update.bin", std::string(700, 'o'));
            drive.writeFile("doc/update.md5", oldRecord);
            std::memset(update::md5Text, 0, sizeof update::md5Text);
            std::memcpy(update::md5Text, checksum.data(), checksum.size());
            update::md5TextLength = static_cast<std::uint32_t>(checksum.size());
            before = listingBesideTheSlot(drive);
        },
        [] { return update::installImage(); },
        [&](const FileCall* hit, FileFault fault, int result) {
            EXPECT_TRUE(drive.exists("doc/update.bin"));
            // A short read is no error; neither is a failed close of a file
            // that was only read.
            const bool harmless = hit == nullptr ||
                                  (hit->operation == FileOperation::Read && fault == FileFault::Short) ||
                                  (hit->operation == FileOperation::Close && !hit->forWriting);
            const std::string record = drive.readFile("doc/update.md5");
            if (harmless) {
                EXPECT_EQ(result, 1);
                EXPECT_TRUE(drive.readFile("doc/update.bin") == image);
                const std::string expected =
                    newRecord + (oldRecord.size() > newRecord.size() ? oldRecord.substr(newRecord.size()) : "");
                EXPECT_EQ(record, expected);
                // Only the record's length may have grown.
                std::string grown = before;
                const std::string oldLine = "doc/update.md5 " + std::to_string(oldRecord.size()) + "\n";
                grown.replace(grown.find(oldLine), oldLine.size(),
                              "doc/update.md5 " + std::to_string(expected.size()) + "\n");
                EXPECT_EQ(listingBesideTheSlot(drive), grown);
            } else {
                EXPECT_EQ(result, 0);
                EXPECT_EQ(record, oldRecord);
                EXPECT_EQ(listingBesideTheSlot(drive), before);
            }
        });
}

INSTANTIATE_TEST_SUITE_P(Cases, InstallFaults, ::testing::ValuesIn(OLD_RECORDS),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
