#pragma once
// The main dialog over the in-memory dialog: controls visible or hidden as the
// template starts them, strings loaded, worker starts recorded.

#include <gtest/gtest.h>

#include <string>

#include "app/dialog_state.h"
#include "app/main_dialog.h"
#include "app/ui_strings.h"
#include "device/device_settings.h"
#include "device/status_file.h"
#include "res/control_ids.h"
#include "tests/support/memory_dialog.h"
#include "tests/support/worker_script.h"

namespace apptest {

// The controls that the template shows at start; all others start hidden.
inline constexpr int START_VISIBLE[] = {IDC_TASK_BUTTON, IDC_INFO_AREA, IDC_BANNER, IDC_VERSION_LABEL};
// Controls that nothing ever shows.
inline constexpr int NEVER_SHOWN[] = {IDC_WIFI_SSID,     IDC_WIFI_SSID_LABEL, IDC_WIFI_PASSWORD,
                                      IDC_WIFI_PASSWORD_LABEL, IDC_WIFI_GROUP, IDC_RADIO_GROUP,
                                      IDC_RADIO_PROFILE_LABEL, IDC_RADIO_PROFILE_LIST};

// Gives the controls the visibility the template starts them with.
inline void setStartVisibility(testsupport::MemoryDialog& dialog) {
    for (int id : app::FORM_CONTROLS) dialog.setVisible(id, false);
    for (int id : NEVER_SHOWN) dialog.setVisible(id, false);
    for (int id : START_VISIBLE) dialog.setVisible(id, true);
    dialog.setVisible(IDC_PROGRESS_BAR, false);
}

// True when every form control has the given visibility and the never-shown
// controls are hidden.
inline ::testing::AssertionResult formIs(testsupport::MemoryDialog& dialog, bool visible) {
    for (int id : app::FORM_CONTROLS) {
        if (dialog.isVisible(id) != visible) {
            return ::testing::AssertionFailure() << "control " << id << (visible ? " hidden" : " shown");
        }
    }
    for (int id : NEVER_SHOWN) {
        if (dialog.isVisible(id)) return ::testing::AssertionFailure() << "control " << id << " shown";
    }
    return ::testing::AssertionSuccess();
}

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        app::loadUiStrings();
        app::resetDialogState();
        device::resetDeviceSettings();
        testsupport::scriptWorkers();
        setStartVisibility(dialog);
    }
    void TearDown() override {
        app::resetDialogState();
        testsupport::scriptWorkers();
    }

    platform::DialogHandle handle() { return dialog.handle(); }

    ::testing::AssertionResult formIs(bool visible) { return apptest::formIs(dialog, visible); }

    testsupport::MemoryDialog dialog;
};

}  // namespace apptest
