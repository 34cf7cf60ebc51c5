#include <cstdio>

#include "device/device_settings.h"
#include "device/discovery.h"
#include "device/status_file.h"
#include "program/cli/commands.h"
#include "program/cli/exit_codes.h"
#include "program/cli/messages.h"
#include "program/cli/progress.h"
#include "program/cli/radio_link.h"
#include "program/cli/report.h"
#include "program/cli/system.h"
#include "update/image_update.h"
#include "update/version_check.h"

namespace cli {

namespace {

update::UpdateChannel channelOf(const Options& options) {
    return options.beta ? update::UpdateChannel::Beta : update::UpdateChannel::Latest;
}

const char16_t* folderOf(const Options& options) {
    return update::channelFolder(device::deviceSettings.device, channelOf(options));
}

// The version check of the dialog's start. -1 when the server gave no
// version, else 1 when it offers newer firmware than the radio runs, else 0.
int checkVersions(const Options& options) {
    update::resetVersionTexts();
    const std::int32_t newer = update::checkForUpdate(device::deviceSoftwareVersion, folderOf(options));
    if (update::latestVersionText[0] == '\0') {
        return -1;
    }
    return newer != 0 ? 1 : 0;
}

void sayServerUnreachable(const Options& options) {
    if (options.beta) {
        sayError<CLI_NO_VERSION_BETA>();
    } else {
        sayError<CLI_NO_VERSION_LATEST>();
    }
}

}  // namespace

int runCheckUpdate(const Options& options) {
    const int opened = openRadio(options);
    if (opened != EXIT_DONE) {
        return opened;
    }
    const int newer = checkVersions(options);
    if (newer < 0) {
        sayServerUnreachable(options);
        return EXIT_SERVER_UNREACHABLE;
    }
    Report report(stdout, options.json);
    report.beginObject();
    report.text("channel", options.beta ? "beta" : "latest");
    report.text("current", update::currentVersionText);
    report.text("latest", update::latestVersionText);
    report.flag("update_available", newer == 1);
    report.flag("update_slot", device::updateSupported != 0);
    report.endObject();
    report.finish();
    return EXIT_DONE;
}

int runUpdate(const Options& options) {
    const int opened = openRadio(options);
    if (opened != EXIT_DONE) {
        return opened;
    }
    const char* const steps[] = {cliText(CLI_STEP_CHECKING), cliText(CLI_STEP_DOWNLOADING), cliText(CLI_STEP_VERIFYING),
                                 cliText(CLI_STEP_INSTALLING)};
    StepProgress progress(steps, 4, standardErrorIsTerminal());

    progress.begin(0);
    const int newer = checkVersions(options);
    progress.end(0, newer >= 0);
    if (newer < 0) {
        sayServerUnreachable(options);
        return EXIT_SERVER_UNREACHABLE;
    }
    if (newer == 0) {
        say<CLI_NOTHING_TO_INSTALL>(update::currentVersionText, update::latestVersionText);
        return EXIT_DONE;
    }
    if (device::updateSupported == 0) {
        sayError<CLI_NO_UPDATE_SLOT>(update::latestVersionText);
        return EXIT_INSTALL_FAILED;
    }

    progress.begin(1);
    const bool downloaded = update::downloadImage(folderOf(options)) != 0;
    progress.end(1, downloaded);
    // The download's temporary file is of no use after this run, and a shop
    // updating radio after radio would otherwise fill the temporary folder.
    struct RemoveDownload {
        ~RemoveDownload() {
            if (update::tempImagePath[0] != '\0') std::remove(update::tempImagePath);
        }
    } removeDownload;
    if (!downloaded) {
        sayError<CLI_DOWNLOAD_FAILED>(update::latestVersionText);
        return EXIT_DOWNLOAD_FAILED;
    }

    progress.begin(2);
    const bool verified = update::verifyImage(folderOf(options)) != 0;
    progress.end(2, verified);
    if (!verified) {
        sayError<CLI_CHECKSUM_MISMATCH>();
        return EXIT_VERIFICATION_FAILED;
    }

    progress.begin(3);
    const bool installed = update::installImage() != 0;
    progress.end(3, installed);
    if (!installed) {
        sayError<CLI_INSTALL_FAILED>(device::deviceRoot);
        return EXIT_INSTALL_FAILED;
    }
    say<CLI_INSTALLED>(update::latestVersionText);
    return EXIT_DONE;
}

}  // namespace cli
