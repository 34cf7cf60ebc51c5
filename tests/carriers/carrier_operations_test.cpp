// The carrier operations as the form uses them, through the in-memory dialog.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/settings_form.h"
#include "carriers/carrier_table.h"
#include "device/device_settings.h"
#include "res/control_ids.h"
#include "tests/support/memory_dialog.h"

namespace {

using carriers::CarrierPreset;
using carriers::CarrierTable;
using carriers::COUNTRY_COUNT;
using carriers::COUNTRY_ROWS;
using carriers::NONE;
using carriers::PRESET_SLOTS;
using testsupport::DialogOperation;
using testsupport::MemoryDialog;

const int ACCESS_POINT_FIELDS[] = {IDC_APN, IDC_GSM_USER, IDC_GSM_PASSWORD, IDC_DNS1, IDC_DNS2, IDC_GATEWAY};

int countryIndex(const char* name) {
    for (int row = 0; row < COUNTRY_COUNT; ++row) {
        if (std::strcmp(CarrierTable[row].name, name) == 0) return row;
    }
    ADD_FAILURE() << "no row " << name;
    return NONE;
}

int presetCount(int country) {
    int count = 0;
    while (count < PRESET_SLOTS && CarrierTable[country].presets[count].name[0] != '\0') ++count;
    return count;
}

class CarrierOperations : public ::testing::Test {
protected:
    void SetUp() override { device::resetDeviceSettings(); }
    void TearDown() override { device::resetDeviceSettings(); }

    // What the writer does before asking for a match: the form's texts into
    // the settings, and the APN flag from whether the APN is empty.
    static void takeIntoSettings(const CarrierPreset& preset) {
        device::DeviceSettings& settings = device::deviceSettings;
        std::strcpy(settings.gsm_apn, preset.apn);
        std::strcpy(settings.gsm_user, preset.user);
        std::strcpy(settings.gsm_pass, preset.password);
        std::strcpy(settings.gsm_dns1, preset.dns1);
        std::strcpy(settings.gsm_dns2, preset.dns2);
        std::strcpy(settings.gsm_gw, preset.gateway);
        settings.gsm_has_apn = preset.apn[0] != '\0' ? 1 : 0;
    }

    MemoryDialog dialog;
};

TEST_F(CarrierOperations, CountryListHoldsEveryCountryInTableOrderAndSelectsNothing) {
    dialog.setItems(IDC_COUNTRY_LIST, {"left over"});
    dialog.setSelection(IDC_COUNTRY_LIST, 0);

    carriers::fillCountryList(dialog.handle());

    const std::vector<std::string>& items = dialog.items(IDC_COUNTRY_LIST);
    ASSERT_EQ(items.size(), 134u);
    EXPECT_EQ(items.front(), "Afghanistan");
    EXPECT_EQ(items.back(), "Viet Nam");
    for (int row = 0; row < COUNTRY_COUNT; ++row) {
        EXPECT_EQ(items[row], CarrierTable[row].name);
    }
    EXPECT_EQ(dialog.selection(IDC_COUNTRY_LIST), platform::NO_SELECTION);
    EXPECT_EQ(dialog.callCount(DialogOperation::ListFill), 1u);  // one operation for the whole list
    EXPECT_TRUE(dialog.items(IDC_PROVIDER_LIST).empty());
}

TEST_F(CarrierOperations, ProviderListHoldsTheCountrysPresetsInSlotOrder) {
    const int germany = countryIndex("Germany");
    dialog.setItems(IDC_PROVIDER_LIST, {"left over", "from before"});

    carriers::fillPresetList(dialog.handle(), germany);

    const std::vector<std::string>& items = dialog.items(IDC_PROVIDER_LIST);
    ASSERT_EQ(items.size(), 26u);
    for (int slot = 0; slot < 26; ++slot) {
        EXPECT_EQ(items[slot], CarrierTable[germany].presets[slot].name);
    }
    EXPECT_EQ(items[9], "O2 - Pay-by-MB");
    EXPECT_EQ(dialog.selection(IDC_PROVIDER_LIST), platform::NO_SELECTION);
    EXPECT_TRUE(dialog.items(IDC_COUNTRY_LIST).empty());
}

TEST_F(CarrierOperations, ProviderListStaysEmptyForCountriesWithoutPresetsAndBadIndexes) {
    const int rows[] = {countryIndex("Congo (Rep.)"), countryIndex("Korea, Republic of"), NONE,
                        COUNTRY_COUNT, COUNTRY_ROWS, 100000};
    for (int row : rows) {
        SCOPED_TRACE(row);
        dialog.setItems(IDC_PROVIDER_LIST, {"left over"});
        carriers::fillPresetList(dialog.handle(), row);
        EXPECT_TRUE(dialog.items(IDC_PROVIDER_LIST).empty());
    }
}

TEST_F(CarrierOperations, FindCountryComparesWholeNamesByteForByte) {
    struct Case {
        const char* text;
        int expected;
    };
    const Case cases[] = {
        {"Afghanistan", 0},
        {"Germany", countryIndex("Germany")},
        {"Viet Nam", COUNTRY_COUNT - 1},
        {"Cote d'Ivoire", countryIndex("Cote d'Ivoire")},
        {"germany", NONE},
        {"GERMANY", NONE},
        {"Germany ", NONE},
        {" Germany", NONE},
        {"German", NONE},
        {"Germanyy", NONE},
        {"", NONE},  // the closing row's empty name is never compared
        {"Atlantis", NONE},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(carriers::findCountryIndex(c.text), c.expected) << '"' << c.text << '"';
    }
    EXPECT_EQ(carriers::findCountryIndex(nullptr), NONE);
}

TEST_F(CarrierOperations, FindPresetComparesWholeNamesByteForByte) {
    const int germany = countryIndex("Germany");
    const int spain = countryIndex("Spain");
    const int india = countryIndex("India");
    const std::string cut =
        "BSNL/CellOne - East Zone Postpaid (Jharkhand, Bihar, Kolkata, West Bengal, Orissa, Assam, "
        "North Eas";
    ASSERT_EQ(cut.size(), 99u);
    struct Case {
        int country;
        std::string text;
        int expected;
    };
    const Case cases[] = {
        {germany, "O2 - Pay-by-MB", 9},
        {germany, "Tchibo-Mobil - Tagesflat / Monats-Flatrate L / Monats-Flatrate XL", 15},
        {germany, "o2 - Pay-by-MB", NONE},
        {germany, "O2 - PAY-BY-MB", NONE},
        {germany, "O2 - Pay-by-MB ", NONE},
        {germany, "O2 - Pay-by", NONE},
        {germany, "", NONE},
        {spain, "M\xC3\xA1smovil - internetmas", 2},
        {spain, "Masmovil - internetmas", NONE},
        {spain, "M\xE1smovil - internetmas", NONE},  // the same letter in Latin-1
        {spain, "M\xC3\x81smovil - internetmas", NONE},  // capital A with acute
        {india, cut, carriers::findPresetIndex(india, cut.c_str())},
        {india, cut + "t", NONE},  // the uncut name is not what the table holds
        {india, cut.substr(0, 98), NONE},
        {germany, cut, NONE},  // only the given country is searched
        {NONE, "O2 - Pay-by-MB", NONE},
        {COUNTRY_COUNT, "", NONE},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(carriers::findPresetIndex(c.country, c.text.c_str()), c.expected)
            << "country " << c.country << " \"" << c.text << '"';
    }
    const int slot = carriers::findPresetIndex(india, cut.c_str());
    ASSERT_NE(slot, NONE);
    EXPECT_EQ(cut, CarrierTable[india].presets[slot].name);
    EXPECT_EQ(carriers::findPresetIndex(germany, nullptr), NONE);
}

TEST_F(CarrierOperations, EveryNameFindsItsOwnRowAndSlot) {
    // Holds for UTF-8, Latin-1, leading-blank and cut names alike.
    for (int row = 0; row < COUNTRY_COUNT; ++row) {
        ASSERT_EQ(carriers::findCountryIndex(CarrierTable[row].name), row);
        for (int slot = 0; slot < presetCount(row); ++slot) {
            EXPECT_EQ(carriers::findPresetIndex(row, CarrierTable[row].presets[slot].name), slot)
                << CarrierTable[row].name << " / " << CarrierTable[row].presets[slot].name;
        }
    }
}

TEST_F(CarrierOperations, ApplyingAPresetSetsTheSixFieldsInOrderAndEmptiesTheEmptyOnes) {
    const int austria = countryIndex("Austria");
    const CarrierPreset& preset = CarrierTable[austria].presets[7];  // user and password, no DNS
    ASSERT_STREQ(preset.name, "T-Mobile - Internet");
    for (int id : ACCESS_POINT_FIELDS) dialog.setText(id, "typed by hand");
    dialog.setText(IDC_GSM_PIN, "1234");
    dialog.setItems(IDC_COUNTRY_LIST, {"a", "b"});
    dialog.setSelection(IDC_COUNTRY_LIST, 1);
    dialog.setItems(IDC_PROVIDER_LIST, {"c", "d"});
    dialog.setSelection(IDC_PROVIDER_LIST, 0);

    carriers::applyCarrierPreset(dialog.handle(), austria, 7);

    EXPECT_EQ(dialog.text(IDC_APN), "gprsinternet");
    EXPECT_EQ(dialog.text(IDC_GSM_USER), "t-mobile");
    EXPECT_EQ(dialog.text(IDC_GSM_PASSWORD), preset.password);
    EXPECT_NE(dialog.text(IDC_GSM_PASSWORD), "");
    EXPECT_EQ(dialog.text(IDC_DNS1), "");
    EXPECT_EQ(dialog.text(IDC_DNS2), "");
    EXPECT_EQ(dialog.text(IDC_GATEWAY), "");
    std::vector<int> order;
    for (const testsupport::DialogCall& call : dialog.calls()) {
        EXPECT_EQ(call.operation, DialogOperation::SetControlText);
        order.push_back(call.controlId);
    }
    EXPECT_EQ(order, std::vector<int>(std::begin(ACCESS_POINT_FIELDS), std::end(ACCESS_POINT_FIELDS)));
    EXPECT_EQ(dialog.text(IDC_GSM_PIN), "1234");
    EXPECT_EQ(dialog.selection(IDC_COUNTRY_LIST), 1);
    EXPECT_EQ(dialog.selection(IDC_PROVIDER_LIST), 0);
    EXPECT_STREQ(device::deviceSettings.gsm_apn, "");
}

TEST_F(CarrierOperations, ApplyingWithoutAPresetChangesNothing) {
    const int germany = countryIndex("Germany");
    const int congo = countryIndex("Congo (Rep.)");
    const int places[][2] = {{NONE, 0}, {germany, NONE}, {NONE, NONE}, {germany, 26},
                             {germany, PRESET_SLOTS}, {congo, 0}, {COUNTRY_COUNT, 0}, {-7, 3}};
    for (const auto& place : places) {
        for (int id : ACCESS_POINT_FIELDS) dialog.setText(id, "kept");
        dialog.clearCalls();
        carriers::applyCarrierPreset(dialog.handle(), place[0], place[1]);
        EXPECT_TRUE(dialog.calls().empty()) << place[0] << "/" << place[1];
        EXPECT_EQ(dialog.text(IDC_APN), "kept");
    }
}

TEST_F(CarrierOperations, EveryPresetMatchesItsOwnSettingsAfterBeingPicked) {
    for (int row = 0; row < COUNTRY_COUNT; ++row) {
        for (int slot = 0; slot < presetCount(row); ++slot) {
            // Pick it in the form, then take the form's texts as the writer does.
            carriers::applyCarrierPreset(dialog.handle(), row, slot);
            device::DeviceSettings& settings = device::deviceSettings;
            std::strcpy(settings.gsm_apn, dialog.text(IDC_APN).c_str());
            std::strcpy(settings.gsm_user, dialog.text(IDC_GSM_USER).c_str());
            std::strcpy(settings.gsm_pass, dialog.text(IDC_GSM_PASSWORD).c_str());
            std::strcpy(settings.gsm_dns1, dialog.text(IDC_DNS1).c_str());
            std::strcpy(settings.gsm_dns2, dialog.text(IDC_DNS2).c_str());
            std::strcpy(settings.gsm_gw, dialog.text(IDC_GATEWAY).c_str());
            settings.gsm_has_apn = settings.gsm_apn[0] != '\0' ? 1 : 0;
            EXPECT_TRUE(carriers::presetMatchesSettings(row, slot, app::accessPointOf(device::deviceSettings)))
                << CarrierTable[row].name << " / " << CarrierTable[row].presets[slot].name;
        }
    }
}

TEST_F(CarrierOperations, AnyHandEditIsNoMatch) {
    const int germany = countryIndex("Germany");
    const CarrierPreset& preset = CarrierTable[germany].presets[9];  // O2 - Pay-by-MB
    ASSERT_STREQ(preset.apn, "internet");
    struct Edit {
        const char* what;
        void (*apply)(device::DeviceSettings&);
    };
    const Edit edits[] = {
        {"APN letter case", [](device::DeviceSettings& s) { std::strcpy(s.gsm_apn, "Internet"); }},
        {"APN emptied",
         [](device::DeviceSettings& s) {
             s.gsm_apn[0] = '\0';
             s.gsm_has_apn = 0;
         }},
        {"APN flag alone", [](device::DeviceSettings& s) { s.gsm_has_apn = 0; }},
        {"APN trailing blank", [](device::DeviceSettings& s) { std::strcpy(s.gsm_apn, "internet "); }},
        {"gateway typed", [](device::DeviceSettings& s) { std::strcpy(s.gsm_gw, "10.0.0.1"); }},
        {"user typed", [](device::DeviceSettings& s) { std::strcpy(s.gsm_user, "o2"); }},
        {"password typed", [](device::DeviceSettings& s) { std::strcpy(s.gsm_pass, "x"); }},
        {"dns1 emptied", [](device::DeviceSettings& s) { s.gsm_dns1[0] = '\0'; }},
        {"dns2 changed", [](device::DeviceSettings& s) { std::strcpy(s.gsm_dns2, "8.8.4.4"); }},
    };
    for (const Edit& edit : edits) {
        takeIntoSettings(preset);
        ASSERT_TRUE(carriers::presetMatchesSettings(germany, 9, app::accessPointOf(device::deviceSettings)));
        edit.apply(device::deviceSettings);
        EXPECT_FALSE(carriers::presetMatchesSettings(germany, 9, app::accessPointOf(device::deviceSettings))) << edit.what;
    }

    // Names and the other settings take no part in the match.
    takeIntoSettings(preset);
    std::strcpy(device::deviceSettings.gsm_country, "Atlantis");
    std::strcpy(device::deviceSettings.gsm_provider, "nobody");
    std::strcpy(device::deviceSettings.gsm_pin, "0000");
    device::deviceSettings.gsm_roaming = 1;
    EXPECT_TRUE(carriers::presetMatchesSettings(germany, 9, app::accessPointOf(device::deviceSettings)));
}

TEST_F(CarrierOperations, NoMatchWithoutAPresetAtTheIndexes) {
    // All-empty settings would equal an empty slot byte for byte; an empty
    // slot is no preset, so it must not match either.
    const int germany = countryIndex("Germany");
    const int congo = countryIndex("Congo (Rep.)");
    takeIntoSettings(CarrierTable[germany].presets[0]);
    const int places[][2] = {{NONE, 0},     {germany, NONE}, {NONE, NONE},       {germany, 26},
                             {germany, 30}, {germany, -2},   {COUNTRY_COUNT, 0}, {COUNTRY_ROWS, 0},
                             {1000000, 0},  {congo, 0}};
    for (const auto& place : places) {
        EXPECT_FALSE(carriers::presetMatchesSettings(place[0], place[1], app::accessPointOf(device::deviceSettings))) << place[0] << "/" << place[1];
    }
    device::resetDeviceSettings();
    EXPECT_FALSE(carriers::presetMatchesSettings(congo, 0, app::accessPointOf(device::deviceSettings)));
    EXPECT_FALSE(carriers::presetMatchesSettings(germany, 26, app::accessPointOf(device::deviceSettings)));
}

}  // namespace
