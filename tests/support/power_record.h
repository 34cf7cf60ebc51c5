#pragma once
// Substitute for the power group (platform/power.h): nothing is asked of the
// computer; each hold and each release is reported to an observer, so a test
// can place them among what the dialog showed.

#include <functional>
#include <string>

namespace testsupport {

// Called with "<hold: reason>" when a SleepInhibitor is made and
// "<hold released>" when it lets go; an empty function stops the calls.
void observePowerHolds(std::function<void(const std::string& event)> observer);

// The number of inhibitors holding now.
int powerHoldsStanding();

}  // namespace testsupport
