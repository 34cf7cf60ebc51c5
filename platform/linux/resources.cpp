// String resources off Windows: the table the build makes from
// res/strings.table, the same one it compiles into the Windows program.

#include <cstring>

#include "platform/resources.h"
#include "res/string_table.h"

namespace platform {

void loadString(int id, char* buffer, std::uint32_t capacity) {
    if (capacity == 0) {
        return;
    }
    buffer[0] = '\0';
    for (const res::StringResource& entry : res::STRING_TABLE) {
        if (entry.id == id) {
            std::strncpy(buffer, entry.text, capacity - 1);
            buffer[capacity - 1] = '\0';
            return;
        }
    }
}

}  // namespace platform
