#pragma once
// The four worker tasks that carry every workflow. Each runs on a worker
// thread of its own with the main dialog as its only argument, and reports
// only by changing the dialog's controls.

namespace app {

// From dialog initialisation: waits for the device, switches and reads it,
// fills the hidden form, checks for newer firmware and opens the form, the
// update offer or the notice.
void startupTask(void* dialog);
// "Save and Quit": rewrites the configuration file, then closes the dialog.
void saveTask(void* dialog);
// An accepted offer: downloads, verifies and installs the image.
void updateTask(void* dialog);
// The hidden beta-check shortcut: asks the beta channel and opens the offer.
void betaCheckTask(void* dialog);

}  // namespace app
