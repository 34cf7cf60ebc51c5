// String resources off Windows: the same table the resource script compiles
// into the Windows program, read from its header.

#include <cstring>

#include "platform/resources.h"
#include "res/strings.h"

namespace platform {

namespace {

struct StringResource {
    int id;
    const char* text;
};

constexpr StringResource STRING_TABLE[] = {
    {IDS_WINDOW_TITLE, TEXT_WINDOW_TITLE},
    {IDS_INITIALIZING_DEVICE, TEXT_INITIALIZING_DEVICE},
    {IDS_DONE, TEXT_DONE},
    {IDS_SAVE_AND_QUIT, TEXT_SAVE_AND_QUIT},
    {IDS_CANCEL, TEXT_CANCEL},
    {IDS_SAVING_CONFIGURATION, TEXT_SAVING_CONFIGURATION},
    {IDS_WINDOW_CLASS, TEXT_WINDOW_CLASS},
    {IDS_READING_DEVICE, TEXT_READING_DEVICE},
    {IDS_WAITING_FOR_DEVICE, TEXT_WAITING_FOR_DEVICE},
    {IDS_NO_THANKS, TEXT_NO_THANKS},
    {IDS_YES, TEXT_YES},
    {IDS_CHECKING_UPDATE, TEXT_CHECKING_UPDATE},
    {IDS_UPDATE_AVAILABLE, TEXT_UPDATE_AVAILABLE},
    {IDS_CURRENT_VERSION, TEXT_CURRENT_VERSION},
    {IDS_LATEST_VERSION, TEXT_LATEST_VERSION},
    {IDS_ASK_UPDATE, TEXT_ASK_UPDATE},
    {IDS_UPDATING_ITSELF, TEXT_UPDATING_ITSELF},
    {IDS_OK, TEXT_OK},
    {IDS_QUIT, TEXT_QUIT},
    {IDS_FAILED, TEXT_FAILED},
    {IDS_INITIALIZING_UPDATE, TEXT_INITIALIZING_UPDATE},
    {IDS_DOWNLOADING_IMAGE, TEXT_DOWNLOADING_IMAGE},
    {IDS_VERIFYING_IMAGE, TEXT_VERIFYING_IMAGE},
    {IDS_VISIT_MAKER, TEXT_VISIT_MAKER},
};

}  // namespace

void loadString(int id, char* buffer, std::uint32_t capacity) {
    if (capacity == 0) {
        return;
    }
    buffer[0] = '\0';
    for (const StringResource& entry : STRING_TABLE) {
        if (entry.id == id) {
            std::strncpy(buffer, entry.text, capacity - 1);
            buffer[capacity - 1] = '\0';
            return;
        }
    }
}

}  // namespace platform
