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

// The most that one read asks for in file mode.
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

// File mode gathers the pieces into this buffer and writes it whole: one
// write call per 64 pieces instead of one per piece. Page-aligned, so the
// system copies whole pages out of it. One image download at a time uses it.
constexpr std::uint32_t FILE_GATHER_SIZE = 64 * 1024;
struct alignas(4096) FileGatherBuffer {
    std::uint8_t bytes[FILE_GATHER_SIZE];
};
// Defined once, in http_client.cpp: an inline variable would be a COMDAT
// object, which mingw-w64's compiler puts into .data, and its 64 KiB of zeros
// would take room in the program file instead of in .bss.
extern FileGatherBuffer fileGatherBuffer;

// The most a file-mode body may hold: the largest file a FAT32 device can
// take. A longer image could never be installed.
constexpr std::uint64_t FILE_MODE_LIMIT = 0xFFFFFFFFull;

struct FileTransfer {
    std::uint64_t received = 0;  // body bytes received
    bool overLimit = false;      // the body went on past the limit
};

namespace detail {

// Writes the gathered bytes and feeds to md5Update exactly those whose write
// completed, so a file that misses bytes never gets the digest of the full
// body. False when the write failed or came up short. Empties the buffer.
template <typename Sink>
bool writeGathered(Sink& sink, std::uint32_t& gathered) {
    if (gathered == 0) {
        return true;
    }
    std::uint32_t bytesWritten = 0;
    const bool ok = sink.write(fileGatherBuffer.bytes, gathered, bytesWritten);
    bytesWritten = std::min(bytesWritten, gathered);
    md5Update(bytesWritten, fileGatherBuffer.bytes);
    const bool complete = ok && bytesWritten == gathered;
    gathered = 0;
    return complete;
}

}  // namespace detail

// Streams the body into sink, reading pieces of at most HTTP_CHUNK_SIZE
// bytes, in arrival order, into fileGatherBuffer; the buffer is written when
// it cannot take another piece and when the transfer ends, however it ends.
// A failed or short write drops the gathered bytes that did not go out and
// abandons the rest of the pass, as a failed read does; they still count in
// the result. No more than limit bytes are read: when the body has more, the
// transfer stops with overLimit set.
template <typename Source, typename Sink>
FileTransfer transferToFile(Source& source, Sink& sink, std::uint64_t limit = FILE_MODE_LIMIT) {
    FileTransfer transfer;
    std::uint32_t gathered = 0;
    std::uint32_t passesWithoutData = 0;
    for (;;) {
        std::uint32_t available = 0;
        if (!source.queryDataAvailable(available) || available == 0) {
            break;
        }
        if (transfer.received == limit) {
            transfer.overLimit = true;
            break;
        }
        std::uint32_t announced = available;
        bool gotData = false;
        while (announced > 0 && transfer.received < limit) {
            if (FILE_GATHER_SIZE - gathered < HTTP_CHUNK_SIZE && !detail::writeGathered(sink, gathered)) {
                break;
            }
            const std::uint32_t ask = static_cast<std::uint32_t>(
                std::min<std::uint64_t>({announced, HTTP_CHUNK_SIZE, limit - transfer.received}));
            std::uint32_t bytesRead = 0;
            if (!source.readData(fileGatherBuffer.bytes + gathered, ask, bytesRead) || bytesRead == 0) {
                // Abandon the rest of this pass; the next query says what is left.
                break;
            }
            bytesRead = std::min(bytesRead, ask);
            gotData = true;
            transfer.received += bytesRead;
            gathered += bytesRead;
            announced -= bytesRead;
        }
        passesWithoutData = gotData ? 0 : passesWithoutData + 1;
        if (passesWithoutData >= MAX_PASSES_WITHOUT_DATA) {
            break;
        }
    }
    detail::writeGathered(sink, gathered);
    return transfer;
}

}  // namespace update
