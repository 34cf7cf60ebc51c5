// Finding the radio through the real UDisks2 service: Debian's udisksd with
// udevd on a private system bus, the radio a FAT32 image with its serial on a
// loop device that a udev rule makes removable flash media
// (tests/platform/real_udisks2/real-udisks2.sh sets all of it up and takes it
// down). Needs root, as loop devices and udevd do.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app/waiting_hint.h"
#include "device/config_reader.h"
#include "device/device_settings.h"
#include "device/discovery.h"
#include "platform/linux/udisks2_volumes.h"
#include "platform/volumes.h"
#include "tests/platform/volume_at.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr char WAITING[] = "Waiting for Brelvan Ondavox device...";
constexpr char REFUSED_HINT_START[] =
    "Waiting for Brelvan Ondavox device...\n\nThe radio was found but could not be opened: ";

// Runs the set-up script with arguments; its standard output, trimmed, or
// nullopt when it failed (its standard error goes to the test's).
std::optional<std::string> script(const std::string& arguments) {
    const std::string command =
        std::string("'") + ONDAVOX_SOURCE_DIR + "/tests/platform/real_udisks2/real-udisks2.sh' " + arguments;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return std::nullopt;
    }
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    const int status = ::pclose(pipe);
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    while (!output.empty() && output.back() == '\n') {
        output.pop_back();
    }
    return output;
}

using platformtest::volumeAt;

// One poll of the startup task's waiting loop: findDevice, then the Info
// text it leads to.
struct Poll {
    std::int32_t found;
    std::string info;
};

class RealUDisks2 : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = std::make_unique<testsupport::TempFolder>();
        const std::optional<std::string> address = script("start '" + path() + "'");
        if (address && script("image '" + path() + "' radio")) {
            busAddress = *address;
        }
    }
    static void TearDownTestSuite() {
        script("stop '" + path() + "'");
        folder.reset();
    }
    static std::string path() {
        std::string p = folder->root();
        p.pop_back();
        return p;
    }

    void SetUp() override {
        ASSERT_FALSE(busAddress.empty()) << "the real UDisks2 service did not start (see above)";
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", busAddress.c_str(), 1);
        device::resetDiscovery();
        device::resetDeviceSettings();
    }
    void TearDown() override {
        script("release '" + path() + "'");
        ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    }

    std::string attach(const std::string& mode = "rw", const std::string& loop = "") {
        const std::optional<std::string> device = script("attach '" + path() + "' radio " + mode + " " + loop);
        return device.value_or("");
    }
    bool run(const std::string& command, const std::string& argument) {
        return script(command + " '" + path() + "' " + argument).has_value();
    }

    Poll poll() {
        Poll p{device::findDevice(), ""};
        char text[app::WAITING_TEXT_CAPACITY];
        app::composeWaitingText(waiting, device::unusableDeviceVolume(), device::POLL_INTERVAL_MILLISECONDS, WAITING,
                                text, sizeof text);
        p.info = text;
        return p;
    }

    void expectTheRadioWorks() {
        EXPECT_EQ(device::readDeviceFiles(), 1);
        EXPECT_STREQ(device::deviceSettings.gsm_country, "Germany");
    }

    static std::unique_ptr<testsupport::TempFolder> folder;
    static std::string busAddress;
    app::WaitingInfo waiting;
};

std::unique_ptr<testsupport::TempFolder> RealUDisks2::folder;
std::string RealUDisks2::busAddress;

TEST_F(RealUDisks2, MountedRadioIsFoundWhereItIsMounted) {
    const std::string loop = attach();
    ASSERT_NE(loop, "");
    ASSERT_TRUE(run("mount", loop));

    ASSERT_EQ(device::findDevice(), 1);
    EXPECT_EQ(std::string(device::deviceRoot), "/media/root/ONDAVOX/");
    const std::optional<platform::VolumeDescriptor> volume = volumeAt(device::deviceRoot);
    ASSERT_TRUE(volume);
    EXPECT_FALSE(volume->readOnly);
    // A writable radio is taken where it is: nothing to switch.
    device::switchDeviceToWritable();
    EXPECT_EQ(std::string(device::deviceRoot), "/media/root/ONDAVOX/");
    expectTheRadioWorks();
}

TEST_F(RealUDisks2, RadioNobodyMountedIsMountedByTheProgram) {
    ASSERT_NE(attach(), "");
    ASSERT_EQ(volumeAt("/media/root/ONDAVOX/"), std::nullopt);

    ASSERT_EQ(device::findDevice(), 1);
    EXPECT_EQ(std::string(device::deviceRoot), "/media/root/ONDAVOX/");
    expectTheRadioWorks();
}

TEST_F(RealUDisks2, WriteProtectedRadioIsFoundReadOnly) {
    ASSERT_NE(attach("ro"), "");

    ASSERT_EQ(device::findDevice(), 1);
    const std::optional<platform::VolumeDescriptor> volume = volumeAt(device::deviceRoot);
    ASSERT_TRUE(volume);
    EXPECT_TRUE(volume->readOnly);
    expectTheRadioWorks();
}

// The service refuses the mount: the waiting line stays, and from the third
// second on the hint says so with the service's message. The medium leaves
// (the hint goes with it) and comes back into the same reader, now
// mountable: it is found at once, not only after the pause for refusals.
TEST_F(RealUDisks2, RefusedRadioShowsTheHintAndIsFoundWhenItsMediumComesBack) {
    ASSERT_TRUE(run("refuse", "on"));
    const std::string loop = attach();
    ASSERT_NE(loop, "");
    const auto refusedAt = std::chrono::steady_clock::now();

    for (int second = 0; second < 3; ++second) {
        const Poll early = poll();
        ASSERT_EQ(early.found, 0);
        EXPECT_EQ(early.info, WAITING) << "second " << second;
    }
    const Poll hinted = poll();
    ASSERT_EQ(hinted.found, 0);
    EXPECT_EQ(hinted.info.rfind(REFUSED_HINT_START, 0), 0u) << hinted.info;
    EXPECT_NE(hinted.info.find("Error mounting " + loop), std::string::npos) << hinted.info;
    EXPECT_NE(hinted.info.find("Check that you may use removable drives"), std::string::npos) << hinted.info;

    ASSERT_TRUE(run("refuse", "off"));
    ASSERT_TRUE(run("detach", loop));
    const Poll gone = poll();
    EXPECT_EQ(gone.found, 0);
    EXPECT_EQ(gone.info, WAITING);

    ASSERT_EQ(attach("rw", loop), loop);
    std::int32_t found = 0;
    for (int attempt = 0; attempt < 10 && found == 0; ++attempt) {
        found = device::findDevice();
        if (found == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
    }
    const auto waited = std::chrono::steady_clock::now() - refusedAt;
    ASSERT_EQ(found, 1);
    EXPECT_LT(waited, std::chrono::seconds(platform::linux_volumes::REFUSED_MOUNT_RETRY_SECONDS))
        << "found only by the pause for refusals, not because its medium came back";
    EXPECT_EQ(std::string(device::deviceRoot), "/media/root/ONDAVOX/");
    expectTheRadioWorks();
}

}  // namespace
