// The program's end against a write section, without waiting: the
// user-interface thread of the Windows program asks again and again while it
// goes on answering the writer's dialog steps.

#include <gtest/gtest.h>

#include <thread>

#include "device/device_write_guard.h"
#include "tests/support/gate.h"

namespace {

TEST(DeviceWriteGuard, EndingWithoutWaitingIsRefusedWhileASectionRunsAndTakesHoldAfterIt) {
    device::resetDeviceWriteGuard();
    testsupport::Gate inSection, leave;
    std::thread writer([&] {
        const device::DeviceWriteSection section;
        EXPECT_TRUE(section.admitted());
        inSection.open();
        leave.wait();
    });
    inSection.wait();
    EXPECT_FALSE(device::tryEndDeviceWrites()) << "ended in the middle of a write";
    leave.open();
    writer.join();

    EXPECT_TRUE(device::tryEndDeviceWrites());
    const device::DeviceWriteSection late;
    EXPECT_FALSE(late.admitted()) << "a write was admitted after the end";
    device::resetDeviceWriteGuard();
}

}  // namespace
