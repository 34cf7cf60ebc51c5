// Finding the radio on Linux through the real volumes group: the product's
// findDevice and switchDeviceToWritable (and, for a refused radio, the
// waiting text) against the scripted UDisks2 service on a private bus, and, where no UDisks2 answers, against a kernel mount
// table and sysfs made for the test, with boot sectors made by mkfs.vfat.
// Folders stand for the mounted volumes; each case copies a sample radio
// into the folders it mounts.

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/waiting_hint.h"
#include "device/config_reader.h"
#include "device/device_settings.h"
#include "device/discovery.h"
#include "platform/linux/kernel_mount_table.h"
#include "platform/linux/udisks2_volumes.h"
#include "platform/volumes.h"
#include "simulator/linux/scripted_udisks2.h"
#include "simulator/radio_sim/radio_simulator.h"
#include "tests/platform/volume_at.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

// Each case starts with nothing found and nothing refused: its private bus is
// a new one, on which the service may get the same unique name and object
// path as a volume refused in an earlier case.
void startDiscoveryAfresh() {
    device::resetDiscovery();
    platform::linux_volumes::forgetRefusedMounts();
}

// What the bus offers.
enum class Bus {
    UDisks2,    // the scripted UDisks2 service
    NoService,  // a bus where nothing owns org.freedesktop.UDisks2 and nothing can be started
    NoBus,      // an address where no bus listens
};

// A volume on the scripted UDisks2 service; folders are named by a key
// ("a", "b", ...) below the case's temporary folder.
struct Disk {
    const char* name = nullptr;
    const char* mountedAt = nullptr;  // nullptr: not mounted
    const char* mountTarget = nullptr;
    const char* uuid = "ECE2-2CF8";
    const char* type = "vfat";
    const char* version = "FAT32";
    bool removable = true;
    bool mediaRemovable = false;
    bool readOnly = false;
    const char* mountError = nullptr;
};

// A line of the kernel's mount table, with its device in sysfs.
struct KernelMount {
    const char* mountedAt = nullptr;
    const char* image = "radio";  // boot sector: "radio", "other-serial", "fat16", or "unreadable"
    const char* type = "vfat";
    const char* options = "rw";
    bool removable = true;
    bool partition = true;       // a partition: removable is its disk's
    bool devicePresent = true;   // false: unplugged, its mount left behind
    const char* volumeFolder = "/";
};

// The radio's answer to start.html: it leaves and comes back writable, mounted
// at comesBackAt, or not mounted, to be mounted at mountTarget.
struct Trigger {
    const char* disk = nullptr;
    const char* comesBackAt = nullptr;
    const char* mountTarget = nullptr;
};

struct DiscoveryCase {
    const char* name = nullptr;
    Bus bus = Bus::UDisks2;
    std::vector<Disk> disks = {};
    std::vector<KernelMount> mounts = {};
    const char* source = nullptr;  // volumeDiscoveryName()
    int polls = 1;                 // findDevice calls
    const char* foundAt = nullptr; // where deviceRoot points; nullptr: not found
    bool readOnly = false;         // as found
    std::optional<Trigger> trigger = std::nullopt;
    const char* writableAt = nullptr;  // after switchDeviceToWritable
    std::vector<std::string> mountCalls = {};  // the service's Filesystem.Mount calls, in order
};

constexpr char UDISKS2[] = "UDisks2";
constexpr char KERNEL[] = "kernel mount table";
constexpr double AWAY_SECONDS = 1.5;

const DiscoveryCase CASES[] = {
    // Through UDisks2.
    {.name = "NoVolumes", .bus = Bus::UDisks2, .source = UDISKS2},
    {.name = "WritableRadio",
     .bus = Bus::UDisks2,
     .disks = {{.name = "sdb1", .mountedAt = "a"}},
     .source = UDISKS2,
     .foundAt = "a",
     .writableAt = "a"},
    {.name = "OtherSerial",
     .bus = Bus::UDisks2,
     .disks = {{.name = "sdb1", .mountedAt = "a", .uuid = "1234-5678"}},
     .source = UDISKS2},
    {.name = "OtherFileSystemType",
     .bus = Bus::UDisks2,
     .disks = {{.name = "sdb1", .mountedAt = "a", .type = "exfat", .version = "1.0"}},
     .source = UDISKS2},
    {.name = "Fat16WithTheSerialIsNotFat32",
     .bus = Bus::UDisks2,
     .disks = {{.name = "sdb1", .mountedAt = "a", .version = "FAT16"}},
     .source = UDISKS2},
    {.name = "FixedDrive",
     .bus = Bus::UDisks2,
     .disks = {{.name = "sdb1", .mountedAt = "a", .removable = false}},
     .source = UDISKS2},
    {.name = "DriveWithRemovableMedium",
     .bus = Bus::UDisks2,
     .disks = {{.name = "sdb1", .mountedAt = "a", .removable = false, .mediaRemovable = true}},
     .source = UDISKS2,
     .foundAt = "a",
     .writableAt = "a"},
    {.name = "OtherVolumeInTheFirstSlot",
     .bus = Bus::UDisks2,
     .disks = {{.name = "sda1", .mountedAt = "a", .uuid = "1A2B-3C4D", .removable = false},
               {.name = "sdb1", .mountedAt = "b"}},
     .source = UDISKS2,
     .foundAt = "b",
     .writableAt = "b"},
    {.name = "TwoRadiosLowerObjectPathWins",  // the service lists sdc1 first
     .bus = Bus::UDisks2,
     .disks = {{.name = "sdc1", .mountedAt = "b"}, {.name = "sdb1", .mountedAt = "a"}},
     .source = UDISKS2,
     .foundAt = "a",
     .writableAt = "a"},
    {.name = "ReadOnlyRadioComesBackWritableElsewhere",
     .bus = Bus::UDisks2,
     .disks = {{.name = "sdb1", .mountedAt = "a", .readOnly = true}},
     .source = UDISKS2,
     .foundAt = "a",
     .readOnly = true,
     .trigger = Trigger{"sdb1", "b", nullptr},
     .writableAt = "b"},
    {.name = "ReadOnlyRadioComesBackUnmounted",
     .bus = Bus::UDisks2,
     .disks = {{.name = "sdb1", .mountedAt = "a", .readOnly = true}},
     .source = UDISKS2,
     .foundAt = "a",
     .readOnly = true,
     .trigger = Trigger{"sdb1", nullptr, "c"},
     .writableAt = "c",
     .mountCalls = {"mount sdb1 options={}"}},
    {.name = "UnmountedRadioIsMounted",
     .bus = Bus::UDisks2,
     .disks = {{.name = "sdb1", .mountTarget = "a"}},
     .source = UDISKS2,
     .polls = 2,
     .foundAt = "a",
     .writableAt = "a",
     .mountCalls = {"mount sdb1 options={}"}},
    {.name = "UnmountedOtherVolumesAreLeftAlone",
     .bus = Bus::UDisks2,
     .disks = {{.name = "sdb1", .mountTarget = "a", .uuid = "1234-5678"},
               {.name = "sdc1", .mountTarget = "b", .removable = false},
               {.name = "sdd1", .mountTarget = "c", .type = "ext4"}},
     .source = UDISKS2},
    {.name = "RefusedMountIsNotAskedAgain",
     .bus = Bus::UDisks2,
     .disks = {{.name = "sdb1", .mountTarget = "a", .mountError = "org.freedesktop.UDisks2.Error.NotAuthorized"}},
     .source = UDISKS2,
     .polls = 3,
     .mountCalls = {"mount sdb1 options={}"}},
    {.name = "KernelTableIsNotAskedWhileUDisks2Answers",
     .bus = Bus::UDisks2,
     .mounts = {{.mountedAt = "a"}},
     .source = UDISKS2},

    // The kernel's mount table, where no UDisks2 answers.
    {.name = "ServiceMissing",
     .bus = Bus::NoService,
     .mounts = {{.mountedAt = "a"}},
     .source = KERNEL,
     .foundAt = "a",
     .writableAt = "a"},
    {.name = "NoBus",
     .bus = Bus::NoBus,
     .mounts = {{.mountedAt = "a", .partition = false}},
     .source = KERNEL,
     .foundAt = "a",
     .writableAt = "a"},
    {.name = "KernelReadOnlyMount",
     .bus = Bus::NoService,
     .mounts = {{.mountedAt = "a", .options = "ro"}},
     .source = KERNEL,
     .foundAt = "a",
     .readOnly = true},
    {.name = "KernelOtherSerial",
     .bus = Bus::NoService,
     .mounts = {{.mountedAt = "a", .image = "other-serial"}},
     .source = KERNEL},
    {.name = "KernelFat16WithTheSerial",
     .bus = Bus::NoService,
     .mounts = {{.mountedAt = "a", .image = "fat16"}},
     .source = KERNEL},
    {.name = "KernelUnreadableVolumeIsPassedOver",
     .bus = Bus::NoService,
     .mounts = {{.mountedAt = "a", .image = "unreadable"}, {.mountedAt = "b"}},
     .source = KERNEL,
     .foundAt = "b",
     .writableAt = "b"},
    {.name = "KernelOtherFileSystemType",
     .bus = Bus::NoService,
     .mounts = {{.mountedAt = "a", .type = "ext4"}},
     .source = KERNEL},
    {.name = "KernelFixedDisk",
     .bus = Bus::NoService,
     .mounts = {{.mountedAt = "a", .removable = false}},
     .source = KERNEL},
    {.name = "KernelUnpluggedRadioLeftMountedIsGone",
     .bus = Bus::NoService,
     .mounts = {{.mountedAt = "a", .devicePresent = false}, {.mountedAt = "b"}},
     .source = KERNEL,
     .foundAt = "b",
     .writableAt = "b"},
    {.name = "KernelMountOfAFolderIsNotTheRoot",
     .bus = Bus::NoService,
     .mounts = {{.mountedAt = "a", .volumeFolder = "/doc"}},
     .source = KERNEL},
    {.name = "KernelMountPointWithABlank",
     .bus = Bus::NoService,
     .mounts = {{.mountedAt = "with blank"}},
     .source = KERNEL,
     .foundAt = "with blank",
     .writableAt = "with blank"},
};

// Boot sectors made once by mkfs.vfat: the radio's, another serial's, and a
// FAT16 one with the radio's serial.
class BootSectors {
public:
    BootSectors() {
        make("radio", "-F 32 -i ECE22CF8");
        make("other-serial", "-F 32 -i 12345678");
        make("fat16", "-F 16 -i ECE22CF8");
        folder_.writeFile("unreadable", std::string(512, '\0'));  // no boot signature
    }
    std::string path(const std::string& kind) const { return folder_.nativePath(kind); }
    const std::string& error() const { return error_; }

private:
    void make(const std::string& kind, const std::string& options) {
        const std::string image = folder_.nativePath(kind);
        const std::string command = "truncate -s 40M '" + image + "' && mkfs.vfat " + options + " '" + image +
                                    "' >/dev/null 2>&1 && truncate -s 4096 '" + image + "'";
        if (std::system(command.c_str()) != 0) {
            error_ += "could not run: " + command + "\n";
        }
    }
    testsupport::TempFolder folder_;
    std::string error_;
};

// Calls onOpen once, when start.html in folder is first opened: what the
// simulated radio watches for.
class TriggerWatch {
public:
    TriggerWatch(const std::string& folder, std::function<void()> onOpen) : onOpen_(std::move(onOpen)) {
        fd_ = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        if (fd_ >= 0 && ::inotify_add_watch(fd_, folder.c_str(), IN_OPEN) >= 0) {
            thread_ = std::thread([this] { run(); });
        }
    }
    ~TriggerWatch() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    bool watching() const { return thread_.joinable(); }

private:
    void run() {
        bool fired = false;
        alignas(inotify_event) char buffer[4096];
        while (!stop_ && !fired) {
            pollfd ready{fd_, POLLIN, 0};
            if (::poll(&ready, 1, 20) <= 0) {
                continue;
            }
            const ssize_t length = ::read(fd_, buffer, sizeof buffer);
            for (ssize_t at = 0; at < length && !fired;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && std::string(event->name) == device::TRIGGER_FILE_NAME) {
                    fired = true;
                    onOpen_();
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }
    std::function<void()> onOpen_;
    int fd_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

void PrintTo(const DiscoveryCase& c, std::ostream* out) { *out << c.name; }

using platformtest::volumeAt;

class VolumeDiscovery : public ::testing::TestWithParam<DiscoveryCase> {
protected:
    static void SetUpTestSuite() { bootSectors = std::make_unique<BootSectors>(); }
    static void TearDownTestSuite() { bootSectors.reset(); }

    void SetUp() override {
        ASSERT_EQ(bootSectors->error(), "");
        startDiscoveryAfresh();
        device::resetDeviceSettings();
        writeKernelTables();
        const DiscoveryCase& c = GetParam();
        if (c.bus == Bus::NoBus) {
            ::setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + base.nativePath("no-bus-here")).c_str(), 1);
            return;
        }
        simulator::ScriptedUDisks2Options options;
        options.withService = c.bus == Bus::UDisks2;
        udisks = std::make_unique<simulator::ScriptedUDisks2>(options);
        std::string error;
        ASSERT_TRUE(udisks->start(error)) << error;
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", udisks->busAddress().c_str(), 1);
        for (const Disk& disk : c.disks) {
            ASSERT_TRUE(udisks->addVolume(scripted(disk), error)) << error;
        }
    }

    void TearDown() override {
        platform::linux_volumes::setKernelTablePaths(nullptr, nullptr);
        ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        udisks.reset();
    }

    // A mount point: the folder, with the sample radio in it.
    std::string mountPoint(const char* key) {
        const std::string path = base.root() + key;
        if (!fs::exists(path)) {
            fs::copy(fs::path(ONDAVOX_SOURCE_DIR) / "simulator/radios/hxa-v2", path, fs::copy_options::recursive);
        }
        return path;
    }
    std::string rootOf(const char* key) { return mountPoint(key) + "/"; }

    simulator::ScriptedVolume scripted(const Disk& disk) {
        simulator::ScriptedVolume v;
        v.name = disk.name;
        v.idType = disk.type;
        v.idVersion = disk.version;
        v.idUuid = disk.uuid;
        v.readOnly = disk.readOnly;
        v.removable = disk.removable;
        v.mediaRemovable = disk.mediaRemovable;
        v.mountPoint = disk.mountedAt != nullptr ? mountPoint(disk.mountedAt) : "";
        v.mountTarget = disk.mountTarget != nullptr ? mountPoint(disk.mountTarget) : "";
        v.mountError = disk.mountError != nullptr ? disk.mountError : "";
        return v;
    }

    // mountinfo escapes a blank in a path as \040.
    static std::string escaped(const std::string& path) {
        std::string out;
        for (char c : path) {
            out += c == ' ' ? std::string("\\040") : std::string(1, c);
        }
        return out;
    }

    // The mount table and sysfs as the kernel would show the case's mounts:
    // the n-th on disk sd<n> (8:16n), as its first partition (8:16n+1) or whole.
    void writeKernelTables() {
        std::string table = "22 1 0:21 / /proc rw,nosuid,nodev,noexec,relatime shared:12 - proc proc rw\n";
        int number = 1;
        for (const KernelMount& m : GetParam().mounts) {
            const std::string disk = "sd" + std::string(1, static_cast<char>('a' + number));
            const std::string partition = disk + "1";
            const int minor = 16 * number + (m.partition ? 1 : 0);
            const std::string devNumbers = "8:" + std::to_string(minor);
            const std::string diskFolder = "sys/devices/pci0000:00/usb1/1-" + std::to_string(number) + "/block/" + disk;
            base.writeFile(diskFolder + "/removable", m.removable ? "1\n" : "0\n");
            std::string deviceFolder = diskFolder;
            if (m.partition) {
                deviceFolder += "/" + partition;
                base.writeFile(deviceFolder + "/partition", "1\n");
            }
            if (m.devicePresent) {
                fs::create_directories(base.nativePath("sys/dev/block"));
                fs::create_symlink("../../" + fs::path(deviceFolder).lexically_relative("sys").string(),
                                   base.nativePath("sys/dev/block/" + devNumbers));
            }
            table += std::to_string(40 + number) + " 1 " + devNumbers + " " + m.volumeFolder + " " +
                     escaped(mountPoint(m.mountedAt)) + " " + m.options +
                     ",nosuid,nodev,relatime shared:40 - " + m.type + " " + bootSectors->path(m.image) +
                     " rw,fmask=0022,dmask=0022,codepage=437,iocharset=utf8\n";
            ++number;
        }
        base.writeFile("mountinfo", table);
        fs::create_directories(base.nativePath("sys"));
        platform::linux_volumes::setKernelTablePaths(base.nativePath("mountinfo").c_str(),
                                                     base.nativePath("sys").c_str());
    }

    std::vector<std::string> mountCalls() const {
        std::vector<std::string> calls;
        if (udisks) {
            for (const std::string& line : udisks->log().lines()) {
                if (line.rfind("mount ", 0) == 0) {
                    calls.push_back(line);
                }
            }
        }
        return calls;
    }

    static std::unique_ptr<BootSectors> bootSectors;
    testsupport::TempFolder base;
    std::unique_ptr<simulator::ScriptedUDisks2> udisks;
};

std::unique_ptr<BootSectors> VolumeDiscovery::bootSectors;

TEST_P(VolumeDiscovery, FindsTheRadioAndFollowsItThroughTheSwitch) {
    const DiscoveryCase& c = GetParam();
    EXPECT_STREQ(platform::volumeDiscoveryName(), c.source);

    std::int32_t found = 0;
    for (int poll = 0; poll < c.polls; ++poll) {
        found = device::findDevice();
    }
    ASSERT_EQ(found, c.foundAt != nullptr ? 1 : 0);
    if (c.foundAt == nullptr) {
        EXPECT_EQ(mountCalls(), c.mountCalls);
        return;
    }
    ASSERT_EQ(std::string(device::deviceRoot), rootOf(c.foundAt));
    std::optional<platform::VolumeDescriptor> volume = volumeAt(device::deviceRoot);
    ASSERT_TRUE(volume);
    EXPECT_EQ(volume->serialNumber, device::DEVICE_VOLUME_SERIAL);
    EXPECT_STREQ(volume->fileSystem, "FAT32");
    EXPECT_EQ(volume->readOnly, c.readOnly);
    if (c.writableAt == nullptr) {
        EXPECT_EQ(mountCalls(), c.mountCalls);
        return;
    }

    std::string switchError;
    std::optional<TriggerWatch> watch;
    if (c.trigger) {
        const Trigger t = *c.trigger;
        const std::string comesBackAt = t.comesBackAt != nullptr ? mountPoint(t.comesBackAt) : "";
        const std::string mountTarget = t.mountTarget != nullptr ? mountPoint(t.mountTarget) : "";
        watch.emplace(mountPoint(c.foundAt), [&, t, comesBackAt, mountTarget] {
            udisks->switchToWritable(t.disk, comesBackAt, mountTarget, AWAY_SECONDS, switchError);
        });
        ASSERT_TRUE(watch->watching());
    }
    const auto started = std::chrono::steady_clock::now();
    device::switchDeviceToWritable();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    watch.reset();
    EXPECT_EQ(switchError, "");

    EXPECT_EQ(std::string(device::deviceRoot), rootOf(c.writableAt));
    volume = volumeAt(device::deviceRoot);
    ASSERT_TRUE(volume);
    EXPECT_FALSE(volume->readOnly);
    if (c.trigger) {
        // Seen gone at the first poll after the trigger (no "Unable to
        // switch"), then back after its time away.
        EXPECT_STREQ(device::configText, "");
        EXPECT_GE(seconds, AWAY_SECONDS);
        const std::vector<std::string> lines = udisks->log().lines();
        const auto removed = std::find(lines.begin(), lines.end(), std::string("removed ") + c.trigger->disk);
        ASSERT_NE(removed, lines.end());
        EXPECT_NE(std::find_if(removed, lines.end(),
                               [&](const std::string& line) {
                                   return line.rfind(std::string("added ") + c.trigger->disk, 0) == 0;
                               }),
                  lines.end());
    } else {
        EXPECT_LT(seconds, 1.0);  // a writable radio is left alone at once
    }
    EXPECT_EQ(mountCalls(), c.mountCalls);
    // The root works for the device's files.
    EXPECT_EQ(device::readDeviceFiles(), 1);
    EXPECT_STREQ(device::deviceSettings.gsm_country, "Germany");
}

INSTANTIATE_TEST_SUITE_P(Cases, VolumeDiscovery, ::testing::ValuesIn(CASES),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

// The simulated radio of the run command and the end-to-end tests, presented
// by the scripted UDisks2 service, as the product's discovery meets it:
// found read-only at its first mount point (mounted by the program when it
// comes unmounted), switched by start.html, gone from there, and found again
// writable at its second mount point. Parameter: whether it comes mounted.
std::string logText(const simulator::RadioSimulator& radio) {
    std::string text;
    for (const std::string& line : radio.log().lines()) text += line + "\n";
    return text;
}

// The sample radio hxa-v2 on a scripted UDisks2 service, its drive in base.
simulator::RadioOptions radioOnTheBus(const testsupport::TempFolder& base) {
    simulator::RadioOptions options;
    options.connection = simulator::RadioConnection::UDisks2;
    options.radioFolder = std::string(ONDAVOX_SOURCE_DIR) + "/simulator/radios/hxa-v2";
    options.workFolder = base.root() + "radio";
    options.echo = false;
    return options;
}

class SimulatedRadioOnTheBus : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        startDiscoveryAfresh();
        device::resetDeviceSettings();
    }
    void TearDown() override { ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS"); }

    testsupport::TempFolder base;
};

TEST_P(SimulatedRadioOnTheBus, IsFoundReadOnlyThenWritableWhereItComesBack) {
    simulator::RadioOptions options = radioOnTheBus(base);
    options.readOnly = true;
    options.mounted = GetParam();
    options.awaySeconds = 1.5;
    simulator::RadioSimulator radio(options);
    std::string error;
    ASSERT_TRUE(radio.start(error)) << error;
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", radio.busAddress().c_str(), 1);
    const std::string first = base.root() + "radio-mounts/ONDAVOX";
    const std::string second = base.root() + "radio-mounts/ONDAVOX1";
    EXPECT_EQ(radio.presentLocation(), first);

    ASSERT_EQ(device::findDevice(), 1) << logText(radio);
    EXPECT_EQ(std::string(device::deviceRoot), first + "/");
    std::optional<platform::VolumeDescriptor> volume = volumeAt(device::deviceRoot);
    ASSERT_TRUE(volume);
    EXPECT_TRUE(volume->readOnly);

    device::switchDeviceToWritable();
    EXPECT_EQ(std::string(device::deviceRoot), second + "/") << logText(radio);
    volume = volumeAt(device::deviceRoot);
    ASSERT_TRUE(volume);
    EXPECT_FALSE(volume->readOnly);
    EXPECT_FALSE(fs::exists(first)) << "the first mount point outlived the radio's absence";
    EXPECT_EQ(radio.presentLocation(), second);
    EXPECT_FALSE(radio.readOnlyNow());
    EXPECT_EQ(device::readDeviceFiles(), 1);
    EXPECT_STREQ(device::deviceSettings.gsm_country, "Germany");

    radio.stop();
    EXPECT_FALSE(fs::exists(second));
}

INSTANTIATE_TEST_SUITE_P(Cases, SimulatedRadioOnTheBus, ::testing::Bool(),
                         [](const auto& mounted) { return std::string(mounted.param ? "Mounted" : "NotMounted"); });

// A radio whose mount the service refuses, on the scripted service: the
// waiting text says why from the third second on, and the radio is asked
// again when its medium changes, or 10 s after the refusal while it stays.
namespace refused {

constexpr char WAITING[] = "Waiting for Brelvan Ondavox device...";
constexpr char NOT_AUTHORIZED[] = "Not authorized to perform operation";

enum class Change {
    MediumLeavesAndComesBack,  // seen gone by a poll in between
    OtherMediumBetweenPolls,   // only TimeMediaDetected tells
    ConsentGivenInPlace,       // nothing about the medium changes
};

struct RefusalCase {
    const char* name;
    Change change;
    double minimumSeconds;  // before it is asked again
    double maximumSeconds;
};

const RefusalCase REFUSAL_CASES[] = {
    {"MediumLeavesAndComesBack", Change::MediumLeavesAndComesBack, 0, 3},
    {"OtherMediumBetweenPolls", Change::OtherMediumBetweenPolls, 0, 3},
    {"ConsentGivenWithTheSameMedium", Change::ConsentGivenInPlace,
     platform::linux_volumes::REFUSED_MOUNT_RETRY_SECONDS - 0.5, platform::linux_volumes::REFUSED_MOUNT_RETRY_SECONDS + 3},
};

void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.name; }

class RefusedRadio : public ::testing::TestWithParam<RefusalCase> {
protected:
    void SetUp() override {
        startDiscoveryAfresh();
        std::string error;
        ASSERT_TRUE(udisks.start(error)) << error;
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", udisks.busAddress().c_str(), 1);
    }
    void TearDown() override { ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS"); }

    std::string poll() {
        EXPECT_EQ(device::findDevice(), 0);
        char text[app::WAITING_TEXT_CAPACITY];
        app::composeWaitingText(waiting, device::unusableDeviceVolume(), device::POLL_INTERVAL_MILLISECONDS, WAITING,
                                text, sizeof text);
        return text;
    }
    std::size_t mountCalls() const {
        std::size_t calls = 0;
        for (const std::string& line : udisks.log().lines()) {
            calls += line.rfind("mount sdb1", 0) == 0 ? 1 : 0;
        }
        return calls;
    }

    testsupport::TempFolder base;
    simulator::ScriptedUDisks2 udisks;
    app::WaitingInfo waiting;
};

TEST_P(RefusedRadio, SaysWhyAndIsAskedAgainWhenItMayHaveChanged) {
    const RefusalCase& c = GetParam();
    const std::string target = base.root() + "a";
    std::filesystem::copy(std::filesystem::path(ONDAVOX_SOURCE_DIR) / "simulator/radios/hxa-v2", target,
                          std::filesystem::copy_options::recursive);
    simulator::ScriptedVolume radio;
    radio.name = "sdb1";
    radio.mountTarget = target;
    radio.mountError = "org.freedesktop.UDisks2.Error.NotAuthorized";
    radio.mountErrorMessage = NOT_AUTHORIZED;
    std::string error;
    ASSERT_TRUE(udisks.addVolume(radio, error)) << error;
    const auto refusedAt = std::chrono::steady_clock::now();

    // The waiting line alone for the first three seconds, then the hint.
    for (int second = 0; second < 3; ++second) {
        EXPECT_EQ(poll(), WAITING) << "second " << second;
    }
    EXPECT_EQ(poll(), std::string(WAITING) + "\n\nThe radio was found but could not be opened: " + NOT_AUTHORIZED +
                          ". Check that you may use removable drives on this computer; the utility keeps trying.");
    EXPECT_EQ(mountCalls(), 1u) << "a refusal is not asked again at every poll";

    const simulator::ScriptedUDisks2::Changes allowed{{"mount_error", ""}};
    switch (c.change) {
        case Change::MediumLeavesAndComesBack:
            ASSERT_TRUE(udisks.ejectMedium("sdb1", error)) << error;
            EXPECT_EQ(poll(), WAITING) << "the hint goes with its reason";
            ASSERT_TRUE(udisks.insertMedium("sdb1", allowed, error)) << error;
            break;
        case Change::OtherMediumBetweenPolls:
            ASSERT_TRUE(udisks.insertMedium("sdb1", allowed, error)) << error;
            break;
        case Change::ConsentGivenInPlace:
            ASSERT_TRUE(udisks.changeVolume("sdb1", allowed, error)) << error;
            break;
    }
    std::int32_t found = 0;
    while (found == 0 && std::chrono::steady_clock::now() - refusedAt < std::chrono::duration<double>(c.maximumSeconds)) {
        found = device::findDevice();
        if (found == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - refusedAt).count();
    ASSERT_EQ(found, 1) << "not asked again within " << c.maximumSeconds << " s";
    EXPECT_GE(seconds, c.minimumSeconds);
    EXPECT_EQ(std::string(device::deviceRoot), target + "/");
    // The service's lines are read on another thread and may trail its
    // answer; the mount's own line comes after the call's.
    EXPECT_TRUE(udisks.log().waitFor("mounted sdb1 at", std::chrono::seconds(5)));
    EXPECT_EQ(mountCalls(), 2u);
    EXPECT_EQ(device::unusableDeviceVolume(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Cases, RefusedRadio, ::testing::ValuesIn(REFUSAL_CASES),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

// The simulated radio told to have its mount refused (the run command's
// --refuse-mount): seen, not found, and the service's own message kept for
// the hint, at every poll.
class SimulatedRadioRefused : public ::testing::Test {
protected:
    void SetUp() override { startDiscoveryAfresh(); }
    void TearDown() override { ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS"); }

    testsupport::TempFolder base;
};

TEST_F(SimulatedRadioRefused, IsSeenButNotOpenedWithTheServicesMessage) {
    simulator::RadioOptions options = radioOnTheBus(base);
    options.mounted = false;
    options.mountError = simulator::MOUNT_NOT_AUTHORIZED_ERROR;
    options.mountErrorMessage = NOT_AUTHORIZED;
    simulator::RadioSimulator radio(options);
    std::string error;
    ASSERT_TRUE(radio.start(error)) << error;
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", radio.busAddress().c_str(), 1);

    for (int poll = 0; poll < 2; ++poll) {
        EXPECT_EQ(device::findDevice(), 0) << logText(radio);
        const device::PassedOverVolume* refused = device::unusableDeviceVolume();
        ASSERT_NE(refused, nullptr) << "poll " << poll;
        EXPECT_EQ(refused->reason, device::PassOverReason::NotMounted);
        EXPECT_STREQ(refused->message, NOT_AUTHORIZED);
    }
}

}  // namespace refused

}  // namespace
