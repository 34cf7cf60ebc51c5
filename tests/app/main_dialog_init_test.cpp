// The main dialog's initialisation and its two lists.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/tasks.h"
#include "carriers/carrier_table.h"
#include "tests/app/main_dialog_fixture.h"

namespace {

using apptest::MainDialogTest;
using testsupport::DialogOperation;
using testsupport::recordedWorkerStarts;

const int ACCESS_POINT_FIELDS[] = {IDC_APN, IDC_GSM_USER, IDC_GSM_PASSWORD, IDC_DNS1, IDC_DNS2, IDC_GATEWAY};

int countryIndex(const char* name) {
    return carriers::findCountryIndex(name);
}

TEST_F(MainDialogTest, InitialisationRecordsTheDialogStartsTheStartupTaskAndWaits) {
    app::onMainDialogInit(handle());
    EXPECT_EQ(app::mainDialogWindow.load(), handle());
    EXPECT_EQ(dialog.text(IDC_VERSION_LABEL), "v3.2g");
    ASSERT_EQ(recordedWorkerStarts().size(), 1u);
    EXPECT_EQ(recordedWorkerStarts()[0].procedure, app::startupTask);
    EXPECT_EQ(recordedWorkerStarts()[0].argument, handle());
    EXPECT_EQ(dialog.text(IDC_INFO_AREA), "Waiting for Brelvan Ondavox device...");
    EXPECT_EQ(dialog.items(IDC_RADIO_PROFILE_LIST), (std::vector<std::string>{"Fast Start", "Default", "Stable"}));
    EXPECT_TRUE(formIs(false));
    EXPECT_EQ(app::dialogState, app::STATE_STARTING);
    EXPECT_EQ(app::offerFlag, app::OFFER_CLOSED);
    // The window is recorded before anything else happens, so the shortcut
    // hook can act as soon as the dialog can receive keys.
    ASSERT_FALSE(dialog.calls().empty());
    EXPECT_EQ(dialog.calls()[0].controlId, IDC_VERSION_LABEL);
}

TEST_F(MainDialogTest, AStartupTaskThatCannotStartLeavesQuitWhichCloses) {
    testsupport::scriptWorkers(/*refuse=*/true);
    app::onMainDialogInit(handle());
    EXPECT_EQ(dialog.text(IDC_INFO_AREA), "Initializing Device, please wait... failed");
    EXPECT_EQ(dialog.text(IDC_TASK_BUTTON), "Quit");
    EXPECT_EQ(app::dialogState, app::STATE_STARTING);
    EXPECT_EQ(dialog.items(IDC_RADIO_PROFILE_LIST).size(), 3u);
    app::onMainDialogCommand(handle(), IDC_TASK_BUTTON, 0);
    EXPECT_EQ(dialog.closedWith(), IDC_TASK_BUTTON);
}

TEST_F(MainDialogTest, ACountryChangeRefillsTheProvidersAndLeavesEveryFieldAsItWas) {
    carriers::fillCountryList(handle());
    const int germany = countryIndex("Germany");
    ASSERT_NE(germany, carriers::NONE);
    for (int id : ACCESS_POINT_FIELDS) dialog.setText(id, "typed " + std::to_string(id));
    dialog.setItems(IDC_PROVIDER_LIST, {"stale provider"});
    dialog.setSelection(IDC_PROVIDER_LIST, 0);

    dialog.setSelection(IDC_COUNTRY_LIST, germany);
    app::onMainDialogCommand(handle(), IDC_COUNTRY_LIST, app::SELECTION_CHANGED);

    const std::vector<std::string>& providers = dialog.items(IDC_PROVIDER_LIST);
    ASSERT_FALSE(providers.empty());
    EXPECT_EQ(providers[0], carriers::CarrierTable[germany].presets[0].name);
    EXPECT_EQ(dialog.selection(IDC_PROVIDER_LIST), platform::NO_SELECTION);
    for (int id : ACCESS_POINT_FIELDS) EXPECT_EQ(dialog.text(id), "typed " + std::to_string(id));
}

TEST_F(MainDialogTest, AProviderChangeCopiesItsPresetIntoTheSixAccessPointFields) {
    carriers::fillCountryList(handle());
    const int germany = countryIndex("Germany");
    dialog.setSelection(IDC_COUNTRY_LIST, germany);
    app::onMainDialogCommand(handle(), IDC_COUNTRY_LIST, app::SELECTION_CHANGED);
    dialog.setSelection(IDC_PROVIDER_LIST, 0);
    app::onMainDialogCommand(handle(), IDC_PROVIDER_LIST, app::SELECTION_CHANGED);

    const carriers::CarrierPreset& preset = carriers::CarrierTable[germany].presets[0];
    EXPECT_EQ(dialog.text(IDC_APN), preset.apn);
    EXPECT_EQ(dialog.text(IDC_GSM_USER), preset.user);
    EXPECT_EQ(dialog.text(IDC_GSM_PASSWORD), preset.password);
    EXPECT_EQ(dialog.text(IDC_DNS1), preset.dns1);
    EXPECT_EQ(dialog.text(IDC_DNS2), preset.dns2);
    EXPECT_EQ(dialog.text(IDC_GATEWAY), preset.gateway);
    EXPECT_EQ(dialog.selection(IDC_COUNTRY_LIST), germany);
}

}  // namespace
