#include "device/text_file_reader.h"

#include <cstring>

#include "device/device_files.h"
#include "device/device_settings.h"

namespace device {

namespace {

// Appends text to the collecting buffer as far as it fits; the buffer stays
// NUL-terminated and keeps the file's first TEXT_FILE_CAPACITY - 1 characters.
void appendCollected(char* collected, const char* text, std::uint32_t length) {
    const std::size_t used = std::strlen(collected);
    const std::size_t room = TEXT_FILE_CAPACITY - 1 - used;
    const std::size_t count = length < room ? length : room;
    std::memcpy(collected + used, text, count);
    collected[used + count] = '\0';
}

// Keeps the chunk's bytes as far as configFileBytes has room and counts them
// in configFileSize, which saturates rather than wraps (a file that large
// cannot be saved anyway).
void keepConfigBytes(const char* bytes, std::uint32_t count) {
    if (configFileSize < CONFIG_BYTES_CAPACITY) {
        const std::uint32_t room = CONFIG_BYTES_CAPACITY - configFileSize;
        std::memcpy(configFileBytes + configFileSize, bytes, count < room ? count : room);
    }
    configFileSize = count > UINT32_MAX - configFileSize ? UINT32_MAX : configFileSize + count;
}

// The line being assembled; it may span a chunk boundary.
struct LineAssembly {
    char text[LINE_CAPACITY];
    std::uint32_t length = 0;
    bool overlong = false;
    bool pending = false;  // characters seen since the last line end

    void add(const char* from, std::uint32_t count) {
        pending = true;
        const std::uint32_t room = LINE_CAPACITY - 1 - length;
        if (count > room) {
            overlong = true;
            count = room;
        }
        std::memcpy(text + length, from, count);
        length += count;
    }

    void finish(char* collected, LineParser parseLine) {
        text[length] = '\0';
        appendCollected(collected, text, length);
        appendCollected(collected, "\r\n", 2);
        const bool carriesSetting = text[0] != '#' && length >= 3 && !overlong;
        if (carriesSetting) {
            parseLine(text);
        }
        length = 0;
        overlong = false;
        pending = false;
    }
};

}  // namespace

bool readDeviceTextFile(platform::File& file, char* collected, LineParser parseLine, bool keepConfigFile) {
    alignas(platform::DEVICE_BUFFER_ALIGNMENT) static char chunk[DEVICE_CHUNK_SIZE];
    LineAssembly line;

    for (;;) {
        std::uint32_t bytesRead = 0;
        if (!platform::readFile(file, chunk, sizeof chunk, bytesRead)) {
            return false;  // an error, not the end: the rest of the file is unknown
        }
        if (bytesRead == 0) {
            break;
        }
        if (keepConfigFile) {
            keepConfigBytes(chunk, bytesRead);
        }
        const char* nul = static_cast<const char*>(std::memchr(chunk, '\0', bytesRead));
        const char* textEnd = nul != nullptr ? nul : chunk + bytesRead;

        const char* cursor = chunk;
        while (cursor < textEnd) {
            const char* lineFeed = static_cast<const char*>(std::memchr(cursor, '\n', static_cast<std::size_t>(textEnd - cursor)));
            const char* pieceEnd = lineFeed != nullptr ? lineFeed : textEnd;
            line.add(cursor, static_cast<std::uint32_t>(pieceEnd - cursor));
            if (lineFeed == nullptr) {
                break;  // the line goes on in the next chunk, or ends with the text
            }
            line.finish(collected, parseLine);
            cursor = lineFeed + 1;
        }
        // A NUL ends the text of its chunk, and with it any unfinished line.
        if (nul != nullptr && line.pending) {
            line.finish(collected, parseLine);
        }
    }
    if (line.pending) {
        line.finish(collected, parseLine);
    }
    return true;
}

}  // namespace device
