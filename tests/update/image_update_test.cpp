// Download, verification and installation of an update image against the
// local server, with a folder standing for the device's drive and another
// for the user's temporary folder.

#include "update/image_update.h"

#include "device/config_reader.h"
#include "device/discovery.h"
#include "device/status_file.h"
#include "update/md5.h"

#include "tests/support/http_test_pattern.h"
#include "tests/support/temp_folder.h"
#include "tests/support/temporary_folder_override.h"
#include "tests/update/update_server_fixture.h"
#include "tests/update/update_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr char16_t FOLDER[] = u"/firmware/latest/";
constexpr char IMAGE_PATH[] = "/firmware/latest/Ondavox_update.bvn";
constexpr char CHECKSUM_PATH[] = "/firmware/latest/Ondavox_update.md5";
constexpr std::uint64_t IMAGE_SEED = 51;
constexpr std::size_t IMAGE_SIZE = 1048576;

using testsupport::TemporaryFolderOverride;
using updatetest::md5HexOf;

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

class ImageUpdate : public updatetest::UpdateServerTest {
protected:
    void SetUp() override {
        UpdateServerTest::SetUp();
        std::snprintf(device::deviceRoot, sizeof device::deviceRoot, "%s", drive_.root().c_str());
        markRadioRead(true);
        image_ = testsupport::patternBytes(IMAGE_SEED, IMAGE_SIZE);
        digest_ = md5HexOf(image_);
        serveImage(IMAGE_SEED, IMAGE_SIZE);
    }

    void serveImage(std::uint64_t seed, std::size_t size) {
        testsupport::HttpTestReply reply;
        reply.patternSeed = seed;
        reply.patternLength = size;
        server().script(IMAGE_PATH, reply);
    }

    void serveChecksum(const std::string& text) {
        testsupport::HttpTestReply reply;
        reply.body = text;
        server().script(CHECKSUM_PATH, reply);
    }

    // The device's update slot and checksum file as they exist before.
    // As the startup leaves it: the radio read in this run, with an update
    // slot or without.
    static void markRadioRead(bool withSlot) {
        device::deviceFilesRead = true;
        device::updateSupported = withSlot ? 1 : 0;
    }

    void prepareDevice(const std::string& slot = "", const std::string& checksum = "") {
        drive_.writeFile("doc/update.bin", slot);
        drive_.writeFile("doc/update.md5", checksum);
    }

    std::vector<std::string> tempFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(temp_.root())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    testsupport::TempFolder drive_;
    testsupport::TempFolder temp_;
    TemporaryFolderOverride tempOverride_{temp_.root()};
    std::string image_;
    std::string digest_;
};

TEST_F(ImageUpdate, VerifiesChecksumTexts) {
    const std::string d = digest_;
    std::string mixed = d;
    for (std::size_t i = 0; i < mixed.size(); i += 2) {
        mixed[i] = static_cast<char>(std::toupper(mixed[i]));
    }
    std::string otherDigest = d;
    otherDigest[31] = otherDigest[31] == '0' ? '1' : '0';
    const struct {
        const char* name;
        std::string text;
        std::int32_t result;
    } cases[] = {
        {"lower case", d + "\n", 1},
        {"upper case", upper(d) + "\n", 1},
        {"mixed case", mixed + "\n", 1},
        {"digits alone", d, 1},
        {"two blanks, name and LF", d + "  Ondavox_update.bvn\n", 1},
        {"a single further hex digit", d + "a\n", 1},
        {"leading blank", " " + d + "\n", 0},
        {"leading word", "MD5 " + d + "\n", 0},
        {"31 digits", d.substr(0, 31) + " Ondavox_update.bvn\n", 0},
        {"last digit differs", otherDigest + "\n", 0},
        {"34 hex digits", d + "ab\n", 0},
        {"non-hex inside", d.substr(0, 10) + "g" + d.substr(11) + "\n", 0},
        {"empty file", "", 0},
        {"NUL first", std::string(1, '\0') + d, 0},
        {"fills all 512 bytes", d + "  " + std::string(600, 'x'), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        serveChecksum(c.text);
        ASSERT_EQ(update::downloadImage(FOLDER), 1);
        EXPECT_EQ(update::verifyImage(FOLDER), c.result);
        const std::string received = c.text.substr(0, update::MD5_TEXT_CAPACITY);
        EXPECT_EQ(update::md5TextLength, received.size());
        EXPECT_TRUE(std::string(update::md5Text, update::md5TextLength) == received);
    }
}

TEST_F(ImageUpdate, MissingChecksumFileFailsVerification) {
    // The server's 404 page is taken as the checksum text and does not match.
    ASSERT_EQ(update::downloadImage(FOLDER), 1);
    EXPECT_EQ(update::verifyImage(FOLDER), 0);

    serveChecksum(digest_ + "\n");
    refuseConnections();
    EXPECT_EQ(update::verifyImage(FOLDER), 0);
}

TEST_F(ImageUpdate, VerificationCompletesTheDigestOfThisDownloadOnly) {
    serveChecksum(digest_ + "\n");
    ASSERT_EQ(update::downloadImage(FOLDER), 1);
    EXPECT_EQ(update::verifyImage(FOLDER), 1);
    // Without a new download the digest is gone.
    EXPECT_EQ(update::verifyImage(FOLDER), 0);
    ASSERT_EQ(update::downloadImage(FOLDER), 1);
    EXPECT_EQ(update::verifyImage(FOLDER), 1);
}

TEST_F(ImageUpdate, InstallsImageAndChecksumRecord) {
    serveChecksum(digest_ + "\n");
    prepareDevice();
    ASSERT_EQ(update::downloadImage(FOLDER), 1);
    ASSERT_EQ(update::verifyImage(FOLDER), 1);
    ASSERT_EQ(update::installImage(), 1);

    EXPECT_TRUE(drive_.readFile("doc/update.bin") == image_);
    EXPECT_EQ(drive_.readFile("doc/update.md5"), digest_ + "\n\n1048576");
}

TEST_F(ImageUpdate, ChecksumRecordCarriesTheWholeReceivedText) {
    const std::string withName = upper(digest_) + "  Ondavox_update.bvn\n";
    const std::string filling = digest_ + " " + std::string(700, 'y');  // 512 bytes, no room for a terminator
    for (const std::string& text : {withName, filling}) {
        serveChecksum(text);
        prepareDevice();
        ASSERT_EQ(update::downloadImage(FOLDER), 1);
        ASSERT_EQ(update::verifyImage(FOLDER), 1);
        ASSERT_EQ(update::installImage(), 1);
        EXPECT_EQ(drive_.readFile("doc/update.md5"),
                  text.substr(0, update::MD5_TEXT_CAPACITY) + "\n" + std::to_string(IMAGE_SIZE));
    }
}

TEST_F(ImageUpdate, WritesDeviceFilesInPlace) {
    // A shorter image than the slot held: the old bytes beyond it stay, and so
    // does the tail of a longer old checksum record.
    const std::string shortImage = testsupport::patternBytes(52, 5000);
    serveImage(52, shortImage.size());
    serveChecksum(md5HexOf(shortImage) + "\n");
    const std::string oldSlot(8000, 'o');
    const std::string oldRecord(64, 'r');
    prepareDevice(oldSlot, oldRecord);

    ASSERT_EQ(update::downloadImage(FOLDER), 1);
    ASSERT_EQ(update::verifyImage(FOLDER), 1);
    ASSERT_EQ(update::installImage(), 1);

    EXPECT_TRUE(drive_.readFile("doc/update.bin") == shortImage + oldSlot.substr(shortImage.size()));
    const std::string record = md5HexOf(shortImage) + "\n\n5000";
    EXPECT_EQ(drive_.readFile("doc/update.md5"), record + oldRecord.substr(record.size()));
}

TEST_F(ImageUpdate, MissingDeviceFilesAreNeverCreated) {
    serveChecksum(digest_ + "\n");
    ASSERT_EQ(update::downloadImage(FOLDER), 1);
    ASSERT_EQ(update::verifyImage(FOLDER), 1);

    drive_.writeFile("doc/update.md5", "old record");
    EXPECT_EQ(update::installImage(), 0);
    EXPECT_FALSE(drive_.exists("doc/update.bin"));
    EXPECT_EQ(drive_.readFile("doc/update.md5"), "old record");

    std::filesystem::remove(drive_.nativePath("doc/update.md5"));
    drive_.writeFile("doc/update.bin", "");
    EXPECT_EQ(update::installImage(), 0);
    EXPECT_FALSE(drive_.exists("doc/update.md5"));
    EXPECT_TRUE(drive_.readFile("doc/update.bin") == image_);
}

// Only a radio found and read in this run, with an update slot, gets the
// image: before the read deviceRoot may be empty (a relative path) or change.
TEST_F(ImageUpdate, InstallNeedsARadioReadInThisRunWithASlot) {
    serveChecksum(digest_ + "\n");
    prepareDevice("old slot", "old record");
    ASSERT_EQ(update::downloadImage(FOLDER), 1);
    ASSERT_EQ(update::verifyImage(FOLDER), 1);
    struct Case {
        const char* name;
        bool read;
        std::int32_t slot;
        const char* root;
    };
    const std::string root = drive_.root();
    const Case cases[] = {
        {"not read yet, root of the drive", false, 0, root.c_str()},
        {"not read yet, slot flag left over", false, 1, root.c_str()},
        {"not read yet, no root", false, 0, ""},
        {"read, no slot offered", true, 0, root.c_str()},
    };
    for (const Case& c : cases) {
        device::resetDeviceFilesRead();
        device::deviceFilesRead = c.read;
        device::updateSupported = c.slot;
        std::snprintf(device::deviceRoot, sizeof device::deviceRoot, "%s", c.root);
        EXPECT_EQ(update::installImage(), 0) << c.name;
        EXPECT_EQ(drive_.readFile("doc/update.bin"), "old slot") << c.name;
        EXPECT_EQ(drive_.readFile("doc/update.md5"), "old record") << c.name;
        EXPECT_FALSE(std::filesystem::exists("doc")) << c.name << ": written beside the program";
    }
}

TEST_F(ImageUpdate, ImageThatCannotBeReadIsNotAnnouncedToTheDevice) {
    serveChecksum(digest_ + "\n");
    prepareDevice("old slot", "old record");
    ASSERT_EQ(update::downloadImage(FOLDER), 1);
    ASSERT_EQ(update::verifyImage(FOLDER), 1);

    // A folder in place of the image: it cannot be opened or read as a file.
    std::snprintf(update::tempImagePath, sizeof update::tempImagePath, "%s", temp_.root().c_str());
    EXPECT_EQ(update::installImage(), 0);
    EXPECT_EQ(drive_.readFile("doc/update.bin"), "old slot");
    EXPECT_EQ(drive_.readFile("doc/update.md5"), "old record");
}

#ifndef _WIN32
TEST_F(ImageUpdate, SlotThatFailsMidCopyIsNotAnnouncedToTheDevice) {
    serveChecksum(digest_ + "\n");
    prepareDevice("", "old record");
    // Writes to this slot fail: every one reports a full disk.
    std::filesystem::remove(drive_.nativePath("doc/update.bin"));
    std::filesystem::create_symlink("/dev/full", drive_.nativePath("doc/update.bin"));

    ASSERT_EQ(update::downloadImage(FOLDER), 1);
    ASSERT_EQ(update::verifyImage(FOLDER), 1);
    EXPECT_EQ(update::installImage(), 0);
    EXPECT_EQ(drive_.readFile("doc/update.md5"), "old record");
}
#endif

TEST_F(ImageUpdate, EveryDownloadMakesANewTemporaryFile) {
    ASSERT_EQ(update::downloadImage(FOLDER), 1);
    const std::string first = update::tempImagePath;
    const std::string second = testsupport::patternBytes(53, 3000);
    serveImage(53, second.size());
    ASSERT_EQ(update::downloadImage(FOLDER), 1);

    const auto names = tempFiles();
    ASSERT_EQ(names.size(), 2u);
    for (const auto& name : names) {
        EXPECT_TRUE(name.starts_with("KQU")) << name;
    }
    EXPECT_NE(first, update::tempImagePath);
    EXPECT_TRUE(std::filesystem::path(update::tempImagePath).parent_path() ==
                std::filesystem::path(temp_.root()).parent_path());
    std::FILE* latest = std::fopen(update::tempImagePath, "rb");
    ASSERT_NE(latest, nullptr);
    std::string content(4000, '\0');
    content.resize(std::fread(content.data(), 1, content.size(), latest));
    std::fclose(latest);
    EXPECT_TRUE(content == second);
}

TEST_F(ImageUpdate, FailedDownloadsGiveZero) {
    // An empty image: the temporary file is made and stays empty.
    testsupport::HttpTestReply empty;
    server().script(IMAGE_PATH, empty);
    EXPECT_EQ(update::downloadImage(FOLDER), 0);
    ASSERT_EQ(tempFiles().size(), 1u);
    EXPECT_EQ(std::filesystem::file_size(update::tempImagePath), 0u);

    refuseConnections();
    EXPECT_EQ(update::downloadImage(FOLDER), 0);
    EXPECT_EQ(tempFiles().size(), 2u);
}

TEST_F(ImageUpdate, TemporaryFolderPathTooLongGivesZeroWithoutARequest) {
    const std::string longFolder = temp_.root() + std::string(300, 'd');
    TemporaryFolderOverride tooLong(longFolder);
    EXPECT_EQ(update::downloadImage(FOLDER), 0);
    EXPECT_TRUE(server().requests().empty());
}

}  // namespace

// --- How far the long steps have come ----------------------------------------

namespace {

struct Report {
    std::uint64_t done;
    std::uint64_t total;
};

// Every report the engine makes, in order.
struct ReportLog {
    std::vector<Report> reports;
    update::ProgressSink sink() {
        return {[](void* context, std::uint64_t done, std::uint64_t total) {
                    static_cast<ReportLog*>(context)->reports.push_back({done, total});
                },
                this};
    }
};

// The reports climb from 0 to the step's whole length against one total, in
// more than one step.
::testing::AssertionResult climbsTo(const std::vector<Report>& reports, std::uint64_t length, std::uint64_t total) {
    if (reports.size() < 3) {
        return ::testing::AssertionFailure() << reports.size() << " reports: no climb to see";
    }
    if (reports.front().done != 0) {
        return ::testing::AssertionFailure() << "starts at " << reports.front().done;
    }
    for (std::size_t i = 0; i < reports.size(); ++i) {
        if (reports[i].total != total) {
            return ::testing::AssertionFailure() << "report " << i << " has total " << reports[i].total;
        }
        if (i > 0 && reports[i].done < reports[i - 1].done) {
            return ::testing::AssertionFailure() << "report " << i << " goes back to " << reports[i].done;
        }
    }
    if (reports.back().done != length) {
        return ::testing::AssertionFailure() << "ends at " << reports.back().done << " of " << length;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

// The download counts against the server's Content-Length, and without one
// (a chunked body) against no total at all; the install against the length
// the download wrote.
TEST_F(ImageUpdate, DownloadAndInstallReportHowFarTheyHaveCome) {
    constexpr std::size_t LENGTH = 2 * update::IMAGE_COPY_BLOCK + 12345;
    const struct {
        const char* name;
        testsupport::HttpTestReply::Framing framing;
        std::uint64_t announcedTotal;
    } cases[] = {
        {"with a length", testsupport::HttpTestReply::Framing::ContentLength, LENGTH},
        {"chunked", testsupport::HttpTestReply::Framing::Chunked, 0},
    };
    const std::string image = testsupport::patternBytes(IMAGE_SEED, LENGTH);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::HttpTestReply reply;
        reply.patternSeed = IMAGE_SEED;
        reply.patternLength = LENGTH;
        reply.framing = c.framing;
        reply.pieceSize = 100000;  // arrives in many pieces, as over a network
        server().script(IMAGE_PATH, reply);
        serveChecksum(md5HexOf(image) + "\n");
        prepareDevice();

        ReportLog download;
        ASSERT_EQ(update::downloadImage(FOLDER, download.sink()), 1);
        EXPECT_TRUE(climbsTo(download.reports, LENGTH, c.announcedTotal));
        ASSERT_EQ(update::verifyImage(FOLDER), 1);

        ReportLog install;
        ASSERT_EQ(update::installImage(install.sink()), 1);
        EXPECT_TRUE(climbsTo(install.reports, LENGTH, LENGTH));
        EXPECT_TRUE(drive_.readFile("doc/update.bin") == image);
    }
}
