// MD5 (RFC 1321) over the one process-wide state. No allocation: whole blocks
// are read straight from the caller's buffer.

#include "update/md5.h"

#include <bit>
#include <cstring>

namespace update {

Md5Context md5Context;

namespace {

constexpr std::uint32_t LENGTH_LOW_LIMIT = 1u << 29;

constexpr std::uint32_t rotateLeft(std::uint32_t x, int n) { return std::rotl(x, n); }

constexpr std::uint32_t f(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return z ^ (x & (y ^ z)); }
// The two halves have no bit in common, so adding them equals or-ing them;
// the addition lets the compiler start the sum before both halves are done.
constexpr std::uint32_t g(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return (x & z) + (y & ~z); }
constexpr std::uint32_t h(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return x ^ y ^ z; }
constexpr std::uint32_t i(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return y ^ (x | ~z); }

template <std::uint32_t (*Round)(std::uint32_t, std::uint32_t, std::uint32_t)>
inline void step(std::uint32_t& w, std::uint32_t x, std::uint32_t y, std::uint32_t z, std::uint32_t word,
                 std::uint32_t constant, int shift) {
    w += word + constant;
    w += Round(x, y, z);
    w = rotateLeft(w, shift) + x;
}

inline std::uint32_t loadLittleEndian(const std::uint8_t* p) {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint32_t word;
        std::memcpy(&word, p, sizeof word);
        return word;
    } else {
        return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
               std::uint32_t{p[3]} << 24;
    }
}

inline void storeLittleEndian(std::uint8_t* p, std::uint32_t word) {
    p[0] = static_cast<std::uint8_t>(word);
    p[1] = static_cast<std::uint8_t>(word >> 8);
    p[2] = static_cast<std::uint8_t>(word >> 16);
    p[3] = static_cast<std::uint8_t>(word >> 24);
}

}  // namespace

void md5Reset() {
    md5Context.a = 0x67452301;
    md5Context.b = 0xefcdab89;
    md5Context.c = 0x98badcfe;
    md5Context.d = 0x10325476;
    md5Context.lengthLow = 0;
    md5Context.lengthHigh = 0;
}

const std::uint8_t* md5Transform(const std::uint8_t* blocks, std::size_t blockCount) {
    std::uint32_t a = md5Context.a;
    std::uint32_t b = md5Context.b;
    std::uint32_t c = md5Context.c;
    std::uint32_t d = md5Context.d;
    std::uint32_t* const x = md5Context.block;

    for (; blockCount > 0; --blockCount, blocks += MD5_BLOCK_SIZE) {
        for (int k = 0; k < 16; ++k) {
            x[k] = loadLittleEndian(blocks + 4 * k);
        }
        const std::uint32_t aa = a, bb = b, cc = c, dd = d;

        step<f>(a, b, c, d, x[0], 0xd76aa478, 7);
        step<f>(d, a, b, c, x[1], 0xe8c7b756, 12);
        step<f>(c, d, a, b, x[2], 0x242070db, 17);
        step<f>(b, c, d, a, x[3], 0xc1bdceee, 22);
        step<f>(a, b, c, d, x[4], 0xf57c0faf, 7);
        step<f>(d, a, b, c, x[5], 0x4787c62a, 12);
        step<f>(c, d, a, b, x[6], 0xa8304613, 17);
        step<f>(b, c, d, a, x[7], 0xfd469501, 22);
        step<f>(a, b, c, d, x[8], 0x698098d8, 7);
        step<f>(d, a, b, c, x[9], 0x8b44f7af, 12);
        step<f>(c, d, a, b, x[10], 0xffff5bb1, 17);
        step<f>(b, c, d, a, x[11], 0x895cd7be, 22);
        step<f>(a, b, c, d, x[12], 0x6b901122, 7);
        step<f>(d, a, b, c, x[13], 0xfd987193, 12);
        step<f>(c, d, a, b, x[14], 0xa679438e, 17);
        step<f>(b, c, d, a, x[15], 0x49b40821, 22);

        step<g>(a, b, c, d, x[1], 0xf61e2562, 5);
        step<g>(d, a, b, c, x[6], 0xc040b340, 9);
        step<g>(c, d, a, b, x[11], 0x265e5a51, 14);
        step<g>(b, c, d, a, x[0], 0xe9b6c7aa, 20);
        step<g>(a, b, c, d, x[5], 0xd62f105d, 5);
        step<g>(d, a, b, c, x[10], 0x02441453, 9);
        step<g>(c, d, a, b, x[15], 0xd8a1e681, 14);
        step<g>(b, c, d, a, x[4], 0xe7d3fbc8, 20);
        step<g>(a, b, c, d, x[9], 0x21e1cde6, 5);
        step<g>(d, a, b, c, x[14], 0xc33707d6, 9);
        step<g>(c, d, a, b, x[3], 0xf4d50d87, 14);
        step<g>(b, c, d, a, x[8], 0x455a14ed, 20);
        step<g>(a, b, c, d, x[13], 0xa9e3e905, 5);
        step<g>(d, a, b, c, x[2], 0xfcefa3f8, 9);
        step<g>(c, d, a, b, x[7], 0x676f02d9, 14);
        step<g>(b, c, d, a, x[12], 0x8d2a4c8a, 20);

        step<h>(a, b, c, d, x[5], 0xfffa3942, 4);
        step<h>(d, a, b, c, x[8], 0x8771f681, 11);
        step<h>(c, d, a, b, x[11], 0x6d9d6122, 16);
        step<h>(b, c, d, a, x[14], 0xfde5380c, 23);
        step<h>(a, b, c, d, x[1], 0xa4beea44, 4);
        step<h>(d, a, b, c, x[4], 0x4bdecfa9, 11);
        step<h>(c, d, a, b, x[7], 0xf6bb4b60, 16);
        step<h>(b, c, d, a, x[10], 0xbebfbc70, 23);
        step<h>(a, b, c, d, x[13], 0x289b7ec6, 4);
        step<h>(d, a, b, c, x[0], 0xeaa127fa, 11);
        step<h>(c, d, a, b, x[3], 0xd4ef3085, 16);
        step<h>(b, c, d, a, x[6], 0x04881d05, 23);
        step<h>(a, b, c, d, x[9], 0xd9d4d039, 4);
        step<h>(d, a, b, c, x[12], 0xe6db99e5, 11);
        step<h>(c, d, a, b, x[15], 0x1fa27cf8, 16);
        step<h>(b, c, d, a, x[2], 0xc4ac5665, 23);

        step<i>(a, b, c, d, x[0], 0xf4292244, 6);
        step<i>(d, a, b, c, x[7], 0x432aff97, 10);
        step<i>(c, d, a, b, x[14], 0xab9423a7, 15);
        step<i>(b, c, d, a, x[5], 0xfc93a039, 21);
        step<i>(a, b, c, d, x[12], 0x655b59c3, 6);
        step<i>(d, a, b, c, x[3], 0x8f0ccc92, 10);
        step<i>(c, d, a, b, x[10], 0xffeff47d, 15);
        step<i>(b, c, d, a, x[1], 0x85845dd1, 21);
        step<i>(a, b, c, d, x[8], 0x6fa87e4f, 6);
        step<i>(d, a, b, c, x[15], 0xfe2ce6e0, 10);
        step<i>(c, d, a, b, x[6], 0xa3014314, 15);
        step<i>(b, c, d, a, x[13], 0x4e0811a1, 21);
        step<i>(a, b, c, d, x[4], 0xf7537e82, 6);
        step<i>(d, a, b, c, x[11], 0xbd3af235, 10);
        step<i>(c, d, a, b, x[2], 0x2ad7d2bb, 15);
        step<i>(b, c, d, a, x[9], 0xeb86d391, 21);

        a += aa;
        b += bb;
        c += cc;
        d += dd;
    }

    md5Context.a = a;
    md5Context.b = b;
    md5Context.c = c;
    md5Context.d = d;
    return blocks;
}

void md5Update(std::size_t count, const void* data) {
    const auto* input = static_cast<const std::uint8_t*>(data);

    const std::uint32_t oldLow = md5Context.lengthLow;
    md5Context.lengthLow = static_cast<std::uint32_t>((oldLow + count) % LENGTH_LOW_LIMIT);
    if (md5Context.lengthLow < oldLow) {
        ++md5Context.lengthHigh;
    }
    md5Context.lengthHigh += static_cast<std::uint32_t>(count / LENGTH_LOW_LIMIT);

    const std::size_t pendingCount = oldLow % MD5_BLOCK_SIZE;
    if (pendingCount != 0) {
        const std::size_t room = MD5_BLOCK_SIZE - pendingCount;
        if (count < room) {
            std::memcpy(md5Context.pending + pendingCount, input, count);
            return;
        }
        std::memcpy(md5Context.pending + pendingCount, input, room);
        md5Transform(md5Context.pending, 1);
        input += room;
        count -= room;
    }

    if (count >= MD5_BLOCK_SIZE) {
        const std::size_t blockCount = count / MD5_BLOCK_SIZE;
        input = md5Transform(input, blockCount);
        count -= blockCount * MD5_BLOCK_SIZE;
    }

    if (count != 0) {
        std::memcpy(md5Context.pending, input, count);
    }
}

void md5Final(Md5Digest& digest) {
    std::size_t used = md5Context.lengthLow % MD5_BLOCK_SIZE;
    md5Context.pending[used++] = 0x80;

    constexpr std::size_t LENGTH_OFFSET = MD5_BLOCK_SIZE - 8;
    if (used > LENGTH_OFFSET) {
        std::memset(md5Context.pending + used, 0, MD5_BLOCK_SIZE - used);
        md5Transform(md5Context.pending, 1);
        used = 0;
    }
    std::memset(md5Context.pending + used, 0, LENGTH_OFFSET - used);

    storeLittleEndian(md5Context.pending + LENGTH_OFFSET, md5Context.lengthLow << 3);
    storeLittleEndian(md5Context.pending + LENGTH_OFFSET + 4, md5Context.lengthHigh);
    md5Transform(md5Context.pending, 1);

    storeLittleEndian(digest.data(), md5Context.a);
    storeLittleEndian(digest.data() + 4, md5Context.b);
    storeLittleEndian(digest.data() + 8, md5Context.c);
    storeLittleEndian(digest.data() + 12, md5Context.d);

    md5Context = Md5Context{};
}

}  // namespace update
