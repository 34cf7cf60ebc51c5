#include "app/radio_write_hold.h"

#include <atomic>

namespace app {

namespace {

// Written by the task that holds, read by the user-interface thread. Holds do
// not overlap (one task writes the radio at a time); the count keeps the
// answer right even if they did.
std::atomic<int> standingHolds{0};
std::atomic<const char*> latestReason{nullptr};

bool standUp(const char* reason) {
    latestReason.store(reason);
    standingHolds.fetch_add(1);
    return true;
}

}  // namespace

RadioWriteHold::RadioWriteHold(const char* reason) : standing_(standUp(reason)), inhibitor_(reason) {}

RadioWriteHold::~RadioWriteHold() { release(); }

void RadioWriteHold::release() {
    if (standing_) {
        standing_ = false;
        standingHolds.fetch_sub(1);
        inhibitor_.release();
    }
}

const char* radioWriteReason() {
    return standingHolds.load() > 0 ? latestReason.load() : nullptr;
}

}  // namespace app
