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
    sayError("the update server gave no version for the %s channel", options.beta ? "beta" : "latest");
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
    static const char* const STEPS[] = {"Checking for an update", "Downloading the image", "Verifying the image",
                                        "Installing the image"};
    StepProgress progress(STEPS, 4, standardErrorIsTerminal());

    progress.begin(0);
    const int newer = checkVersions(options);
    progress.end(0, newer >= 0);
    if (newer < 0) {
        sayServerUnreachable(options);
        return EXIT_SERVER_UNREACHABLE;
    }
    if (newer == 0) {
        say("the radio runs %s and the server offers %s: nothing to install", update::currentVersionText,
            update::latestVersionText);
        return EXIT_DONE;
    }
    if (device::updateSupported == 0) {
        sayError("the radio has no update slot, so it cannot take %s here", update::latestVersionText);
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
        sayError("downloading the image of %s failed", update::latestVersionText);
        return EXIT_DOWNLOAD_FAILED;
    }

    progress.begin(2);
    const bool verified = update::verifyImage(folderOf(options)) != 0;
    progress.end(2, verified);
    if (!verified) {
        sayError("the downloaded image does not match the server's checksum; nothing was installed");
        return EXIT_VERIFICATION_FAILED;
    }

    progress.begin(3);
    const bool installed = update::installImage() != 0;
    progress.end(3, installed);
    if (!installed) {
        sayError("installing the image onto the radio at %s failed", device::deviceRoot);
        return EXIT_INSTALL_FAILED;
    }
    say("installed %s; the radio now updates itself", update::latestVersionText);
    return EXIT_DONE;
}

}  // namespace cli
