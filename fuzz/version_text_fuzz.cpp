// The version text: any bytes give three numbers without overflow, only the
// first line counts, and the numbers survive being written as "%d.%d.%d" and
// read again (the form the device's and the server's versions are shown in).

#include <cstdio>
#include <string>
#include <string_view>

#include "fuzz/fuzz_drive.h"
#include "update/version_check.h"

namespace {

bool sameVersion(const update::FirmwareVersion& a, const update::FirmwareVersion& b) {
    return a.major == b.major && a.minor == b.minor && a.patch == b.patch;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const update::FirmwareVersion version = update::parseVersionText(text);

    const std::string_view firstLine = text.substr(0, text.find('\n'));
    FUZZ_CHECK(sameVersion(update::parseVersionText(firstLine), version));
    FUZZ_CHECK(sameVersion(update::parseVersionText(std::string(firstLine) + "\n9.9.9"), version));

    char written[64];
    const int length = std::snprintf(written, sizeof written, "%d.%d.%d", version.major, version.minor, version.patch);
    FUZZ_CHECK(length > 0 && static_cast<std::size_t>(length) < sizeof written);
    FUZZ_CHECK(
        sameVersion(update::parseVersionText(std::string_view(written, static_cast<std::size_t>(length))), version));
    return 0;
}
