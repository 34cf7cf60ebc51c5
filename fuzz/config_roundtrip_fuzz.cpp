// Saving the form and reading the file back. Whatever the form holds and
// however long the old file is, a save keeps the file's length: it is either
// left byte for byte (save refused) or holds the new text followed by NULs.
// Read back, every field holds the form's value as far as it fits the field,
// when that value can be written at all (no double quote, no line feed).

#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "app/settings_form.h"
#include "device/config_reader.h"
#include "device/config_writer.h"
#include "device/device_settings.h"
#include "fuzz/fuzz_drive.h"
#include "res/control_ids.h"
#include "tests/support/memory_dialog.h"

namespace {

struct TextField {
    int controlId;
    char* field;
    std::uint32_t capacity;
};

// The form's text as the writer takes it: cut to the field.
std::string asTaken(const std::string& text, std::uint32_t capacity) { return text.substr(0, capacity - 1); }

// A double quote ends the value where it stands.
bool writable(const std::string& value) { return value.find('"') == std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace fuzzing;
    static const bool statusWritten = (writeDriveFile("doc/status.st", "21ms_swver:1.0.0\n"), true);
    (void)statusWritten;
    FuzzedDataProvider in(data, size);

    static const char* const HEADERS[] = {"version = 1\n", "version = 2\n", "version = 1\ndevice = \"hxb\"\n",
                                          "version = 3\n"};
    const std::string header = HEADERS[in.ConsumeIntegralInRange<std::size_t>(0, 3)];
    const std::size_t length = in.ConsumeIntegralInRange<std::size_t>(0, 1100);
    std::string old = header.substr(0, length);
    old.resize(length, '\0');
    writeDriveFile("doc/global-config.cfg", old);
    device::resetDeviceSettings();
    FUZZ_CHECK(device::readDeviceFiles() == 1);
    const std::int32_t version = device::deviceSettings.version;
    const device::DeviceKind kind = device::deviceSettings.device;
    const std::int32_t storedProfile = device::deviceSettings.radio_profile;

    static testsupport::MemoryDialog form;
    form.reset();
    device::DeviceSettings& s = device::deviceSettings;
    const TextField fields[] = {
        {IDC_WIFI_SSID, s.wifi_ssid, sizeof s.wifi_ssid}, {IDC_WIFI_PASSWORD, s.wifi_pass, sizeof s.wifi_pass},
        {IDC_GSM_PIN, s.gsm_pin, sizeof s.gsm_pin},       {IDC_APN, s.gsm_apn, sizeof s.gsm_apn},
        {IDC_GSM_USER, s.gsm_user, sizeof s.gsm_user},    {IDC_GSM_PASSWORD, s.gsm_pass, sizeof s.gsm_pass},
        {IDC_DNS1, s.gsm_dns1, sizeof s.gsm_dns1},        {IDC_DNS2, s.gsm_dns2, sizeof s.gsm_dns2},
        {IDC_GATEWAY, s.gsm_gw, sizeof s.gsm_gw},
    };
    std::vector<std::string> texts;
    for (const TextField& f : fields) {
        // A control's text is a C string: it ends at a NUL.
        texts.push_back(in.ConsumeRandomLengthString(48).c_str());
        form.setText(f.controlId, texts.back());
    }
    const bool roaming = in.ConsumeBool();
    form.setCheckState(IDC_ROAMING_CHECK,
                       roaming ? testsupport::CheckState::Checked : testsupport::CheckState::Unchecked);
    form.setItems(IDC_RADIO_PROFILE_LIST, {"Fast Start", "Default", "Stable"});
    const int profile = in.ConsumeIntegralInRange(-1, 2);
    form.setSelection(IDC_RADIO_PROFILE_LIST, profile);

    const std::int32_t result = app::writeDeviceConfig(form.handle());
    const std::string saved = readDriveFile("doc/global-config.cfg");
    FUZZ_CHECK(saved.size() == length);
    if (result == 0) {
        FUZZ_CHECK(saved == old);
        return 0;
    }
    FUZZ_CHECK(result == 1);
    const std::size_t textEnd = saved.find('\0');
    if (textEnd != std::string::npos) {
        FUZZ_CHECK(saved.find_first_not_of('\0', textEnd) == std::string::npos);
    }

    // A line feed in a value starts a new line of the file, which may then
    // set any other key: the file has no way to carry one. Such a form is
    // checked for the length and the NULs only.
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        if (asTaken(texts[i], fields[i].capacity).find('\n') != std::string::npos) {
            return 0;
        }
    }

    device::resetDeviceSettings();
    FUZZ_CHECK(device::readDeviceFiles() == 1);
    FUZZ_CHECK(s.version == version);
    FUZZ_CHECK(s.device == kind);
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        const std::string value = asTaken(texts[i], fields[i].capacity);
        if (writable(value)) {
            FUZZ_CHECK(value == fields[i].field);
        }
    }
    FUZZ_CHECK(s.gsm_has_apn == (asTaken(texts[3], sizeof s.gsm_apn).empty() ? 0 : 1));
    FUZZ_CHECK(s.gsm_roaming == (roaming ? 1 : 0));
    // Only the version 2 file of the first family has a radio profile line;
    // without one the reader's default (1) comes back.
    const bool profileLine = kind == device::DeviceKind::Hxa && version == 2;
    FUZZ_CHECK(s.radio_profile == (profileLine ? (profile >= 0 ? profile : storedProfile) : 1));
    FUZZ_CHECK(s.gsm_country[0] == '\0' && s.gsm_provider[0] == '\0');
    return 0;
}
