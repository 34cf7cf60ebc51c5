#include "tests/support/power_record.h"

#include <mutex>

#include "platform/power.h"

namespace testsupport {

namespace {

std::mutex recordLock;
std::function<void(const std::string&)> holdObserver;
int standing = 0;

void report(const std::string& event, int change) {
    std::function<void(const std::string&)> observer;
    {
        const std::lock_guard<std::mutex> hold(recordLock);
        standing += change;
        observer = holdObserver;
    }
    if (observer) {
        observer(event);
    }
}

}  // namespace

void observePowerHolds(std::function<void(const std::string&)> observer) {
    const std::lock_guard<std::mutex> hold(recordLock);
    holdObserver = std::move(observer);
}

int powerHoldsStanding() {
    const std::lock_guard<std::mutex> hold(recordLock);
    return standing;
}

}  // namespace testsupport

namespace platform {

SleepInhibitor::SleepInhibitor(const char* why) : handle_(0) {
    testsupport::report(std::string("<hold: ") + why + ">", +1);
}

SleepInhibitor::~SleepInhibitor() { release(); }

void SleepInhibitor::release() {
    if (handle_ >= 0) {
        handle_ = -1;
        testsupport::report("<hold released>", -1);
    }
}

}  // namespace platform
