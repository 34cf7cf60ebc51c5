#include <windows.h>

#include "platform/resources.h"

namespace platform {

void loadString(int id, char* buffer, std::uint32_t capacity) {
    if (capacity == 0) {
        return;
    }
    buffer[0] = '\0';  // stays the answer for a missing string
    const int room = capacity > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(capacity);
    LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(id), buffer, room);
}

}  // namespace platform
