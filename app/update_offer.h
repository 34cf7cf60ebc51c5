#pragma once
// The two Info area messages about newer firmware: the offer, answered with
// "Yes!" or "No, Thanks!", and the notice for a device without an image slot.
// Both show the versions of the latest check.

#include "platform/dialog.h"

namespace app {

// The heading, the device's and the server's version, and lastLine, each
// part set off by an empty line.
void showVersionMessage(platform::DialogHandle dialog, const char* lastLine);

// Shows the offer with "Yes!" and "No, Thanks!" in place of button 1015 and
// makes the dialog Offering, with the offer marked open, as one dialog step.
// Does nothing while an update runs.
void openUpdateOffer(platform::DialogHandle dialog);

}  // namespace app
