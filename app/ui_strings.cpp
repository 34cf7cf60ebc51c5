#include "app/ui_strings.h"

#include "platform/resources.h"
#include "res/strings.h"

namespace app {

UiStrings uiStrings = {};

namespace {

struct StringLoad {
    int id;
    char (UiStrings::*buffer)[UI_STRING_CAPACITY];
};

constexpr StringLoad STRING_LOADS[] = {
    {IDS_WINDOW_TITLE, &UiStrings::windowTitle},
    {IDS_WINDOW_CLASS, &UiStrings::windowClass},
    {IDS_WAITING_FOR_DEVICE, &UiStrings::waitingForDevice},
    {IDS_INITIALIZING_DEVICE, &UiStrings::initializingDevice},
    {IDS_READING_DEVICE, &UiStrings::readingDevice},
    {IDS_SAVING_CONFIGURATION, &UiStrings::savingConfiguration},
    {IDS_DONE, &UiStrings::done},
    {IDS_FAILED, &UiStrings::failed},
    {IDS_SAVE_AND_QUIT, &UiStrings::saveAndQuit},
    {IDS_QUIT, &UiStrings::quit},
    {IDS_CANCEL, &UiStrings::cancel},
    {IDS_YES, &UiStrings::yes},
    {IDS_NO_THANKS, &UiStrings::noThanks},
    {IDS_OK, &UiStrings::ok},
    {IDS_CHECKING_UPDATE, &UiStrings::checkingUpdate},
    {IDS_UPDATE_AVAILABLE, &UiStrings::updateAvailable},
    {IDS_CURRENT_VERSION, &UiStrings::currentVersion},
    {IDS_LATEST_VERSION, &UiStrings::latestVersion},
    {IDS_ASK_UPDATE, &UiStrings::askUpdate},
    {IDS_VISIT_MAKER, &UiStrings::visitMakerNotice},
    {IDS_INITIALIZING_UPDATE, &UiStrings::initializingUpdate},
    {IDS_DOWNLOADING_IMAGE, &UiStrings::downloadingImage},
    {IDS_VERIFYING_IMAGE, &UiStrings::verifyingImage},
    {IDS_VISIT_MAKER, &UiStrings::visitMakerUpdate},
    {IDS_UPDATING_ITSELF, &UiStrings::updatingItself},
};

static_assert(sizeof(STRING_LOADS) / sizeof(STRING_LOADS[0]) == 25);
static_assert(sizeof(UiStrings) == 25 * UI_STRING_CAPACITY);

}  // namespace

void loadUiStrings() {
    for (const StringLoad& load : STRING_LOADS) {
        platform::loadString(load.id, uiStrings.*load.buffer, UI_STRING_CAPACITY);
    }
}

}  // namespace app
