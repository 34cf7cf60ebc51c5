// The image digest: the RFC 1321 suite, content fed in arbitrary pieces, and
// the state handling around a reset and a final.

#include "update/md5.h"

#include "tests/support/http_test_pattern.h"
#include "tests/update/update_test_util.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#if ONDAVOX_TEST_HAVE_OPENSSL
#include <openssl/evp.h>
#endif

namespace {

using update::md5Context;

std::string digestOfPieces(const std::string& data, const std::vector<std::size_t>& pieces) {
    update::md5Reset();
    std::size_t offset = 0;
    for (std::size_t piece : pieces) {
        update::md5Update(piece, data.data() + offset);
        offset += piece;
    }
    update::Md5Digest digest{};
    update::md5Final(digest);
    return updatetest::hexOf(digest);
}

std::string digestOf(const std::string& data) { return digestOfPieces(data, {data.size()}); }

// Splits length into pieces of random sizes, some 0, some spanning many blocks.
std::vector<std::size_t> randomPieces(std::size_t length, std::mt19937& random) {
    std::vector<std::size_t> pieces;
    std::uniform_int_distribution<int> kind(0, 9);
    while (length > 0) {
        std::size_t size;
        switch (kind(random)) {
            case 0: size = 0; break;
            case 1: size = std::uniform_int_distribution<std::size_t>(64, 5000)(random); break;
            default: size = std::uniform_int_distribution<std::size_t>(1, 130)(random); break;
        }
        size = std::min(size, length);
        pieces.push_back(size);
        length -= size;
    }
    return pieces;
}

TEST(Md5Digest, Rfc1321TestSuite) {
    const struct {
        const char* message;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(digestOf(c.message), c.digest) << '"' << c.message << '"';
    }
}

// Digests of pattern content computed once by an independent MD5; the lengths
// sit on both sides of the padding limits (55/56 bytes: one or two final
// blocks) and of block edges.
TEST(Md5Digest, MatchesReferenceDigestsWhateverThePieces) {
    const struct {
        std::uint64_t seed;
        std::size_t length;
        const char* digest;
    } cases[] = {
        {1, 1, "73203361cc9bed582f2d0eaea099cb38"},       {2, 55, "968bf642c01475176f3493436630e170"},
        {3, 56, "43815e6b5c5e51b0f17fd79f97ce4c6c"},      {4, 57, "3fe33e233095d8adeca16c974593a507"},
        {5, 63, "40fd1d7ef8a87431a49eb88f67c552a0"},      {6, 64, "6cc77567b96ea44b48e72c0fd7b3bc22"},
        {7, 65, "f6533c7e25c25b2fca5a8fa609302f39"},      {8, 119, "cc34b1280273cb56876715bbd9ce5207"},
        {9, 120, "fe025d436648b181ce3344eea8a76feb"},     {10, 1087, "5b45b6f5ddc7a1eafda9871132a9070f"},
        {11, 4096, "f22a96a52a19f8cd6db83eaccacf9062"},   {12, 100003, "2e5fdde041ee6e0259186500b6a7e327"},
        {13, 1048576, "0f85b33dcec7a186899de76010b26da8"},
    };
    std::mt19937 random(20261210);
    for (const auto& c : cases) {
        const std::string data = testsupport::patternBytes(c.seed, c.length);
        EXPECT_EQ(digestOf(data), c.digest) << "length " << c.length << " in one piece";
        for (int round = 0; round < 3; ++round) {
            const auto pieces = randomPieces(data.size(), random);
            EXPECT_EQ(digestOfPieces(data, pieces), c.digest) << "length " << c.length << " in " << pieces.size()
                                                              << " pieces";
        }
        std::vector<std::size_t> bytewise(data.size() < 5000 ? data.size() : 0, 1);
        if (!bytewise.empty()) {
            EXPECT_EQ(digestOfPieces(data, bytewise), c.digest) << "length " << c.length << " byte by byte";
        }
    }
}

#if ONDAVOX_TEST_HAVE_OPENSSL
TEST(Md5Digest, AgreesWithOpenSslOnRandomDataInRandomPieces) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        const std::size_t length = std::uniform_int_distribution<std::size_t>(0, round < 150 ? 700 : 70000)(random);
        std::string data(length, '\0');
        for (char& byte : data) {
            byte = static_cast<char>(random());
        }
        update::Md5Digest expected{};
        ASSERT_EQ(EVP_Digest(data.data(), data.size(), expected.data(), nullptr, EVP_md5(), nullptr), 1);
        EXPECT_EQ(digestOfPieces(data, randomPieces(length, random)), updatetest::hexOf(expected)) << "length "
                                                                                                    << length;
    }
}
#endif

TEST(Md5Digest, PieceAfter63PendingBytesLeaves63Pending) {
    const std::string data = testsupport::patternBytes(10, 63 + 1024);
    update::md5Reset();
    update::md5Update(63, data.data());
    update::md5Update(1024, data.data() + 63);
    EXPECT_EQ(md5Context.lengthLow, 1087u);
    EXPECT_EQ(std::memcmp(md5Context.pending, data.data() + 1024, 63), 0);
    update::Md5Digest digest{};
    update::md5Final(digest);
    EXPECT_EQ(updatetest::hexOf(digest), "5b45b6f5ddc7a1eafda9871132a9070f");
}

TEST(Md5Digest, LengthCarriesIntoHighWordAt2To29Bytes) {
    update::md5Reset();
    md5Context.lengthLow = (1u << 29) - 10;
    const std::string data(20, 'x');
    update::md5Update(data.size(), data.data());
    EXPECT_EQ(md5Context.lengthLow, 10u);
    EXPECT_EQ(md5Context.lengthHigh, 1u);
}

TEST(Md5Digest, FinalWipesTheState) {
    update::md5Reset();
    update::md5Update(3, "abc");
    update::Md5Digest first{};
    update::md5Final(first);
    EXPECT_EQ(updatetest::hexOf(first), "900150983cd24fb0d6963f7d28e17f72");

    const update::Md5Context zero{};
    EXPECT_EQ(std::memcmp(&md5Context, &zero, sizeof zero), 0);

    update::Md5Digest second{};
    update::md5Final(second);
    EXPECT_NE(second, first);

    // A reset starts a new message whatever came before.
    update::md5Reset();
    update::md5Update(3, "abc");
    update::md5Final(second);
    EXPECT_EQ(second, first);
}

}  // namespace
