// The committed sample radios and server trees, checked with the product's
// own code: each radio reads completely and saves back at its length with
// unchanged values; each server tree answers the version check, download and
// verification the way its name promises; and an update installed from the
// sample server onto a sample radio is accepted by the simulated radio.

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "app/settings_form.h"
#include "carriers/carrier_table.h"
#include "device/config_reader.h"
#include "device/config_writer.h"
#include "device/device_settings.h"
#include "device/discovery.h"
#include "device/status_file.h"
#include "res/control_ids.h"
#include "simulator/radio_sim/update_check.h"
#include "simulator/update_server/update_server.h"
#include "tests/support/http_test_server.h"
#include "tests/support/memory_dialog.h"
#include "tests/support/settings_form.h"
#include "tests/support/temp_folder.h"
#include "update/image_update.h"
#include "update/version_check.h"

namespace {

namespace fs = std::filesystem;
using device::DeviceKind;

const fs::path SIMULATOR = ONDAVOX_SIMULATOR_SOURCE_DIR;

std::string readWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct RadioSample {
    const char* folder;
    DeviceKind kind;
    int version;
    const char* softwareVersion;
    bool hasSlot;
};

const RadioSample RADIOS[] = {
    {"hxa-v1", DeviceKind::Hxa, 1, "2.1.7", true},
    {"hxa-v2", DeviceKind::Hxa, 2, "2.1.7", true},
    {"hxb", DeviceKind::Hxb, 1, "1.0.3", true},
    {"hxa-v2-no-slot", DeviceKind::Hxa, 2, "2.1.7", false},
};

// A copy of a sample radio standing for the device's drive.
class RadioCopy {
public:
    explicit RadioCopy(const char* sample) {
        fs::copy(SIMULATOR / "radios" / sample, drive.root(), fs::copy_options::recursive);
        device::resetDeviceSettings();
        device::resetStatusRecords();
        std::memcpy(device::deviceRoot, drive.root().c_str(), drive.root().size() + 1);
    }

    testsupport::TempFolder drive;
};

TEST(SampleRadios, ReadCompletelyAndSaveBackUnchangedAtTheirLength) {
    for (const RadioSample& sample : RADIOS) {
        SCOPED_TRACE(sample.folder);
        RadioCopy radio(sample.folder);
        const std::string original = radio.drive.readFile("doc/global-config.cfg");

        ASSERT_EQ(device::readDeviceFiles(), 1);
        const device::DeviceSettings before = device::deviceSettings;
        EXPECT_EQ(before.device, sample.kind);
        EXPECT_EQ(before.version, sample.version);
        EXPECT_STREQ(device::deviceSoftwareVersion, sample.softwareVersion);
        EXPECT_EQ(device::updateSupported, sample.hasSlot ? 1 : 0);
        EXPECT_EQ(device::configFileSize, original.size());
        EXPECT_NE(before.wifi_ssid[0], '\0');
        EXPECT_NE(before.gsm_apn[0], '\0');
        EXPECT_EQ(before.gsm_has_apn, 1);

        // The file names a country and a carrier of the table whose preset
        // the settings equal, so a save keeps both names.
        const int country = carriers::findCountryIndex(before.gsm_country);
        ASSERT_NE(country, carriers::NONE) << before.gsm_country;
        const int preset = carriers::findPresetIndex(country, before.gsm_provider);
        ASSERT_NE(preset, carriers::NONE) << before.gsm_provider;
        EXPECT_TRUE(carriers::presetMatchesSettings(country, preset, app::accessPointOf(device::deviceSettings)));

        testsupport::MemoryDialog form;
        testsupport::showSettingsInForm(form, device::deviceSettings);
        ASSERT_EQ(app::writeDeviceConfig(form.handle()), 1);
        const std::string saved = radio.drive.readFile("doc/global-config.cfg");
        EXPECT_EQ(saved.size(), original.size());
        EXPECT_EQ(saved.substr(saved.find('\0')), std::string(saved.size() - saved.find('\0'), '\0'));

        ASSERT_EQ(device::readDeviceFiles(), 1);
        const device::DeviceSettings& after = device::deviceSettings;
        EXPECT_EQ(std::memcmp(&after, &before, sizeof before), 0) << "a value changed on the way";
    }
}

struct ServerChannel {
    const char* folder;  // below the tree's root
    DeviceKind kind;
    update::UpdateChannel channel;
};

const ServerChannel CHANNELS[] = {
    {"firmware/latest", DeviceKind::Hxa, update::UpdateChannel::Latest},
    {"firmware/beta", DeviceKind::Hxa, update::UpdateChannel::Beta},
    {"firmware-hxb/latest", DeviceKind::Hxb, update::UpdateChannel::Latest},
    {"firmware-hxb/beta", DeviceKind::Hxb, update::UpdateChannel::Beta},
};

const char* softwareVersionOf(DeviceKind kind) { return kind == DeviceKind::Hxa ? "2.1.7" : "1.0.3"; }

class SampleServer : public ::testing::Test {
protected:
    void serve(const char* tree) {
        simulator::UpdateServerOptions options;
        options.root = (SIMULATOR / tree).string();
        options.echo = false;
        server = std::make_unique<simulator::UpdateServer>(options);
        std::string error;
        ASSERT_TRUE(server->start(error)) << error;
        testsupport::setHttpProxy(server->proxyUrl());
    }

    static update::FirmwareVersion versionIn(const fs::path& file) {
        return update::parseVersionText(readWhole(file));
    }

    static bool newer(const update::FirmwareVersion& a, const update::FirmwareVersion& b) {
        return std::tie(a.major, a.minor, a.patch) > std::tie(b.major, b.minor, b.patch);
    }

    std::unique_ptr<simulator::UpdateServer> server;
};

TEST_F(SampleServer, FilesHaveTheFormatsTheUtilityReads) {
    for (const char* tree : {"server", "server-current", "server-bad-checksum"}) {
        for (const ServerChannel& c : CHANNELS) {
            SCOPED_TRACE(std::string(tree) + "/" + c.folder);
            const fs::path folder = SIMULATOR / tree / c.folder;
            const std::string version = readWhole(folder / "version.info");
            EXPECT_TRUE(version.size() >= 6 && version.back() == '\n' && version.find('\n') == version.size() - 1)
                << "one line: " << version;
            const std::string checksum = readWhole(folder / "Ondavox_update.md5");
            EXPECT_EQ(checksum.size(), 32u + 2 + std::strlen("Ondavox_update.bvn") + 1);
            EXPECT_EQ(checksum.find_first_not_of("0123456789abcdef"), 32u);
            EXPECT_EQ(checksum.substr(32), "  Ondavox_update.bvn\n");
            const auto imageSize = fs::file_size(folder / "Ondavox_update.bvn");
            EXPECT_GE(imageSize, 64u * 1024);
            EXPECT_LE(imageSize, 256u * 1024);
        }
    }
}

TEST_F(SampleServer, OffersNewerFirmwareOnLatestAndNewerStillOnBeta) {
    serve("server");
    for (const ServerChannel& c : CHANNELS) {
        SCOPED_TRACE(c.folder);
        EXPECT_EQ(update::checkForUpdate(softwareVersionOf(c.kind), update::channelFolder(c.kind, c.channel)), 1);
    }
    for (const char* family : {"firmware", "firmware-hxb"}) {
        const fs::path tree = SIMULATOR / "server" / family;
        EXPECT_TRUE(newer(versionIn(tree / "beta/version.info"), versionIn(tree / "latest/version.info"))) << family;
    }
}

TEST_F(SampleServer, CurrentTreeOffersNothingNewer) {
    serve("server-current");
    for (const ServerChannel& c : CHANNELS) {
        SCOPED_TRACE(c.folder);
        EXPECT_EQ(update::checkForUpdate(softwareVersionOf(c.kind), update::channelFolder(c.kind, c.channel)), 0);
        EXPECT_STREQ(update::latestVersionText, softwareVersionOf(c.kind));
    }
}

TEST_F(SampleServer, ImagesVerifyAgainstTheirChecksumExceptInTheBadChecksumTree) {
    struct Tree {
        const char* name;
        std::int32_t verified;
    };
    for (const Tree tree : {Tree{"server", 1}, Tree{"server-current", 1}, Tree{"server-bad-checksum", 0}}) {
        serve(tree.name);
        for (const ServerChannel& c : CHANNELS) {
            SCOPED_TRACE(std::string(tree.name) + "/" + c.folder);
            const char16_t* folder = update::channelFolder(c.kind, c.channel);
            ASSERT_EQ(update::downloadImage(folder), 1);
            EXPECT_EQ(fs::file_size(update::tempImagePath),
                      fs::file_size(SIMULATOR / tree.name / c.folder / "Ondavox_update.bvn"));
            EXPECT_EQ(update::verifyImage(folder), tree.verified);
            fs::remove(update::tempImagePath);
        }
    }
}

TEST_F(SampleServer, AnUpdateInstalledFromItIsAcceptedByTheRadio) {
    serve("server");
    for (const char* sample : {"hxa-v2", "hxb"}) {
        SCOPED_TRACE(sample);
        RadioCopy radio(sample);
        ASSERT_EQ(device::readDeviceFiles(), 1);
        const char16_t* folder = update::channelFolder(device::deviceSettings.device, update::UpdateChannel::Latest);
        ASSERT_EQ(update::downloadImage(folder), 1);
        ASSERT_EQ(update::verifyImage(folder), 1);
        ASSERT_EQ(update::installImage(), 1);
        fs::remove(update::tempImagePath);

        const simulator::UpdateVerdict verdict = simulator::checkInstalledUpdate(
            radio.drive.nativePath("doc/update.bin"), radio.drive.nativePath("doc/update.md5"));
        EXPECT_TRUE(verdict.accepted) << verdict.detail;
    }
}

}  // namespace
