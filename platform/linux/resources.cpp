// String resources off Windows: the string table of the message catalogue in
// the process's language, the same texts the Windows program's resource
// blocks hold.

#include <cstring>

#include "platform/language.h"
#include "platform/resources.h"

namespace platform {

void loadString(int id, char* buffer, std::uint32_t capacity) {
    if (capacity == 0) {
        return;
    }
    buffer[0] = '\0';
    for (const res::StringText& entry : res::STRING_TEXTS) {
        if (entry.id == id) {
            std::strncpy(buffer, appText(entry.text), capacity - 1);
            buffer[capacity - 1] = '\0';
            return;
        }
    }
}

}  // namespace platform
