#pragma once
// MD5 message digest (RFC 1321) of the downloaded firmware image, built piece
// by piece while the image streams in. There is one digest state in the
// process; the operations work on it directly.

#include <array>
#include <cstddef>
#include <cstdint>

namespace update {

constexpr std::size_t MD5_BLOCK_SIZE = 64;
constexpr std::size_t MD5_DIGEST_SIZE = 16;

using Md5Digest = std::array<std::uint8_t, MD5_DIGEST_SIZE>;

struct Md5Context {
    // Bytes fed since the reset modulo 2^29, and the bytes fed divided by 2^29:
    // lengthLow * 8 + lengthHigh * 2^32 is the message length in bits.
    std::uint32_t lengthLow;
    std::uint32_t lengthHigh;
    std::uint32_t a, b, c, d;
    // The start of a block that is not complete yet.
    std::uint8_t pending[MD5_BLOCK_SIZE];
    // The block being compressed, read as little-endian words.
    std::uint32_t block[16];
};
static_assert(sizeof(Md5Context) == 6 * 4 + MD5_BLOCK_SIZE + 16 * 4);

// The process-wide digest state: reset when an image download starts, fed
// during the download, completed by the verification. Written and read by
// the update task only (one update at a time).
extern Md5Context md5Context;

// Starts a new message.
void md5Reset();

// Feeds count bytes (0 allowed). Whole blocks are compressed straight from
// data; only a head and a tail that do not fill a block are copied.
void md5Update(std::size_t count, const void* data);

// Completes the digest into digest and wipes the whole state, so a second
// md5Final without md5Reset does not repeat the digest.
void md5Final(Md5Digest& digest);

// Compresses blockCount whole 64-byte blocks into the state words and returns
// the position just after the last block compressed.
const std::uint8_t* md5Transform(const std::uint8_t* blocks, std::size_t blockCount);

}  // namespace update
