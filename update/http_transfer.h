#pragma once
// The body transfer loops of httpGet, written over any body source (the
// platform's request, or a test's scripted one) and, in file mode, any sink.
//
// Source: bool queryDataAvailable(std::uint32_t& available);
//         bool readData(void* buffer, std::uint32_t count, std::uint32_t& bytesRead);
// Sink:   bool write(const void* data, std::uint32_t length, std::uint32_t& bytesWritten);

#include "update/md5.h"

#include <algorithm>
#include <cstdint>

namespace update {

// The most that one read asks for in file mode; the piece buffer's size.
constexpr std::uint32_t HTTP_CHUNK_SIZE = 1024;

// A platform that keeps announcing bytes but delivers none would hold the
// file-mode loop forever; after this many passes in a row without a single
// byte read the transfer is given up.
constexpr std::uint32_t MAX_PASSES_WITHOUT_DATA = 16;

// Reads the body into buffer, at most capacity bytes from its first byte on;
// nothing after the last received byte is touched. Returns the bytes received.
template <typename Source>
std::uint64_t transferToMemory(Source& source, std::uint8_t* buffer, std::uint32_t capacity) {
    std::uint64_t total = 0;
    std::uint32_t remaining = capacity;
    for (;;) {
        std::uint32_t available = 0;
        if (!source.queryDataAvailable(available)) {
            break;
        }
        const std::uint32_t amount = std::min(available, remaining);
        if (amount == 0) {
            // The body is complete, or the buffer is full and the rest stays unread.
            break;
        }
        std::uint32_t bytesRead = 0;
        if (!source.readData(buffer + total, amount, bytesRead)) {
            break;
        }
        bytesRead = std::min(bytesRead, amount);
        total += bytesRead;
        remaining -= bytesRead;
        if (remaining == 0 || bytesRead == 0) {
            // A successful read of nothing means the body has ended.
            break;
        }
    }
    return total;
}

// Streams the body into sink through one HTTP_CHUNK_SIZE piece buffer and
// feeds every completely written piece, in arrival order, to md5Update. A
// piece that fails to be written still counts in the result. Returns the
// bytes received.
template <typename Source, typename Sink>
std::uint64_t transferToFile(Source& source, Sink& sink) {
    std::uint8_t piece[HTTP_CHUNK_SIZE];
    std::uint64_t total = 0;
    std::uint32_t passesWithoutData = 0;
    for (;;) {
        std::uint32_t available = 0;
        if (!source.queryDataAvailable(available) || available == 0) {
            break;
        }
        std::uint32_t announced = available;
        bool gotData = false;
        while (announced > 0) {
            const std::uint32_t ask = std::min(announced, HTTP_CHUNK_SIZE);
            std::uint32_t bytesRead = 0;
            if (!source.readData(piece, ask, bytesRead) || bytesRead == 0) {
                // Abandon the rest of this pass; the next query says what is left.
                break;
            }
            bytesRead = std::min(bytesRead, ask);
            gotData = true;
            total += bytesRead;
            std::uint32_t bytesWritten = 0;
            if (!sink.write(piece, bytesRead, bytesWritten) || bytesWritten != bytesRead) {
                break;
            }
            md5Update(bytesRead, piece);
            announced -= bytesRead;
        }
        passesWithoutData = gotData ? 0 : passesWithoutData + 1;
        if (passesWithoutData >= MAX_PASSES_WITHOUT_DATA) {
            break;
        }
    }
    return total;
}

}  // namespace update
