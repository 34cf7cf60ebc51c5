#include <cstdio>

#include "carriers/carrier_table.h"
#include "program/cli/commands.h"
#include "program/cli/exit_codes.h"
#include "program/cli/messages.h"
#include "program/cli/report.h"

namespace cli {

int runCountries(const Options& options) {
    Report report(stdout, options.json);
    report.beginArray();
    for (int row = 0; row < carriers::COUNTRY_COUNT && carriers::CarrierTable[row].name[0] != '\0'; ++row) {
        report.item(carriers::CarrierTable[row].name);
    }
    report.endArray();
    report.finish();
    return EXIT_DONE;
}

int runProviders(const Options& options) {
    const int country = carriers::findCountryIndex(options.providersOf);
    if (country == carriers::NONE) {
        sayError<CLI_NOT_A_COUNTRY>(options.providersOf);
        return EXIT_BAD_ARGUMENT;
    }
    Report report(stdout, options.json);
    report.beginArray();
    for (int slot = 0; slot < carriers::PRESET_SLOTS; ++slot) {
        const carriers::CarrierPreset* preset = carriers::presetAt(country, slot);
        if (preset == nullptr) {
            break;
        }
        if (!options.json) {
            report.item(preset->name);
            continue;
        }
        // Scripts that choose get what the preset would write.
        report.beginObject();
        report.text("name", preset->name);
        report.flag("has_apn", preset->hasApn == 1);
        report.text("apn", preset->apn);
        report.text("user", preset->user);
        report.text("password", preset->password);
        report.text("dns1", preset->dns1);
        report.text("dns2", preset->dns2);
        report.text("gateway", preset->gateway);
        report.endObject();
    }
    report.endArray();
    report.finish();
    return EXIT_DONE;
}

}  // namespace cli
