// Holding off sleep and shutdown on Linux through the real power group: the
// lock asked of the logind stand-in (simulator/linux/logind_service.py) on a
// private bus, the narrower lock where the wider one is refused, and going
// on without a lock where no logind answers.

#include <cctype>
#include <cstdlib>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/power.h"
#include "simulator/linux/scripted_logind.h"
#include "simulator/linux/scripted_udisks2.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace std::chrono_literals;

const std::string WHY = "New firmware is being written to the radio.";

enum class Logind {
    Grants,                 // every lock asked for
    RefusesTheLidSwitch,    // a policy that refuses handle-lid-switch
    Absent,                 // a bus where nothing owns org.freedesktop.login1
    NoBus,                  // an address where no bus listens
};

struct PowerCase {
    const char* name;
    Logind logind;
    bool held;
    std::vector<std::string> events;  // the stand-in's log, as far as the lock went
};

const PowerCase POWER_CASES[] = {
    {"logind grants sleep, shutdown and the lid switch",
     Logind::Grants,
     true,
     {"inhibit what=sleep:shutdown:handle-lid-switch who=Ondavox Utility mode=block why=" + WHY}},
    {"logind refuses the lid switch: sleep and shutdown alone",
     Logind::RefusesTheLidSwitch,
     true,
     {"refused what=sleep:shutdown:handle-lid-switch",
      "inhibit what=sleep:shutdown who=Ondavox Utility mode=block why=" + WHY}},
    {"no logind on the bus", Logind::Absent, false, {}},
    {"no bus at all", Logind::NoBus, false, {}},
};

void PrintTo(const PowerCase& row, std::ostream* out) { *out << row.name; }

class SleepInhibitorOnLinux : public ::testing::TestWithParam<PowerCase> {
protected:
    void SetUp() override {
        const Logind logind = GetParam().logind;
        if (logind == Logind::NoBus) {
            ::setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + folder.nativePath("no-bus-here")).c_str(), 1);
            return;
        }
        simulator::ScriptedUDisks2Options busOnly;
        busOnly.withService = false;
        bus = std::make_unique<simulator::ScriptedUDisks2>(busOnly);
        std::string error;
        ASSERT_TRUE(bus->start(error)) << error;
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", bus->busAddress().c_str(), 1);
        if (logind != Logind::Absent) {
            simulator::ScriptedLogindOptions options;
            if (logind == Logind::RefusesTheLidSwitch) options.refusedParts = {"handle-lid-switch"};
            service = std::make_unique<simulator::ScriptedLogind>(options);
            ASSERT_TRUE(service->start(bus->busAddress(), error)) << error;
        }
    }

    void TearDown() override {
        ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        service.reset();
        bus.reset();
    }

    // The stand-in's events after its "ready" line.
    std::vector<std::string> events() const {
        std::vector<std::string> lines = service ? service->log().lines() : std::vector<std::string>{};
        if (!lines.empty() && lines.front() == "ready") lines.erase(lines.begin());
        return lines;
    }

    testsupport::TempFolder folder;
    std::unique_ptr<simulator::ScriptedUDisks2> bus;
    std::unique_ptr<simulator::ScriptedLogind> service;
};

INSTANTIATE_TEST_SUITE_P(Cases, SleepInhibitorOnLinux, ::testing::ValuesIn(POWER_CASES),
                         [](const ::testing::TestParamInfo<PowerCase>& row) {
                             // "no logind on the bus" -> NoLogindOnTheBus
                             std::string name;
                             bool wordStart = true;
                             for (const char* c = row.param.name; *c != '\0'; ++c) {
                                 const auto letter = static_cast<unsigned char>(*c);
                                 if (std::isalnum(letter)) {
                                     name += wordStart ? static_cast<char>(std::toupper(letter)) : *c;
                                 }
                                 wordStart = !std::isalnum(letter);
                             }
                             return name;
                         });

TEST_P(SleepInhibitorOnLinux, HoldsWhatTheSystemGivesUntilReleased) {
    const auto asked = std::chrono::steady_clock::now();
    platform::SleepInhibitor inhibitor(WHY.c_str());
    // Without logind the work is not held up waiting for one.
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 2s);
    EXPECT_EQ(inhibitor.held(), GetParam().held);
    // The stand-in's lines come through a pipe: wait for the last one.
    if (!GetParam().events.empty()) service->log().waitFor(GetParam().events.back(), 10s);
    EXPECT_EQ(events(), GetParam().events);
    if (!GetParam().held) return;

    // The lock stands until released, not merely until the call is over.
    EXPECT_FALSE(service->log().waitFor("released", 300ms));
    inhibitor.release();
    EXPECT_FALSE(inhibitor.held());
    EXPECT_TRUE(service->log().waitFor("released what=", 10s)) << ::testing::PrintToString(events());
    inhibitor.release();  // a second release lets go of nothing else
    EXPECT_EQ(service->log().count("released"), 1);
}

// The end of its scope lets go as well (the task's early returns).
TEST(SleepInhibitorOnLinuxScope, EndOfScopeReleasesTheLock) {
    simulator::ScriptedUDisks2Options busOnly;
    busOnly.withService = false;
    simulator::ScriptedUDisks2 bus(busOnly);
    std::string error;
    ASSERT_TRUE(bus.start(error)) << error;
    simulator::ScriptedLogind service;
    ASSERT_TRUE(service.start(bus.busAddress(), error)) << error;
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.busAddress().c_str(), 1);
    {
        platform::SleepInhibitor inhibitor(WHY.c_str());
        ASSERT_TRUE(inhibitor.held());
    }
    EXPECT_TRUE(service.log().waitFor("released what=sleep:shutdown:handle-lid-switch", 10s));
    ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

}  // namespace
