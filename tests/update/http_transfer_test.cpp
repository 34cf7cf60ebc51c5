// The transfer loops over a scripted body source: how pieces are cut, what
// counts, what reaches the digest, and that a misbehaving platform cannot hold
// the loop forever.

#include "update/http_transfer.h"
#include "update/md5.h"

#include "tests/support/http_test_pattern.h"
#include "tests/update/update_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Announces the body in passes of up to announceSize bytes and delivers at
// most readSize per read. Misbehaviours: reads that always fail, or that
// deliver nothing while bytes stay announced. Every call is counted; past a
// generous limit it fails, so a loop that would run forever ends the test.
struct ScriptedSource {
    ScriptedSource() = default;
    ScriptedSource(std::string content, std::uint32_t announce, std::uint32_t read = 0xFFFFFFFF, bool fail = false,
                   bool nothing = false)
        : body(std::move(content)), announceSize(announce), readSize(read), readsFail(fail),
          readsDeliverNothing(nothing) {}

    std::string body;
    std::uint32_t announceSize = 0xFFFFFFFF;
    std::uint32_t readSize = 0xFFFFFFFF;
    bool readsFail = false;
    bool readsDeliverNothing = false;

    std::size_t position = 0;
    std::vector<std::uint32_t> readsAskedFor;
    int calls = 0;
    static constexpr int CALL_LIMIT = 100000;

    bool queryDataAvailable(std::uint32_t& available) {
        if (++calls > CALL_LIMIT) {
            return false;
        }
        available = static_cast<std::uint32_t>(std::min<std::size_t>(announceSize, body.size() - position));
        if (readsDeliverNothing || readsFail) {
            available = 1000;  // keeps announcing what it never delivers
        }
        return true;
    }

    bool readData(void* buffer, std::uint32_t count, std::uint32_t& bytesRead) {
        bytesRead = 0;
        readsAskedFor.push_back(count);
        if (++calls > CALL_LIMIT || readsFail) {
            return false;
        }
        if (readsDeliverNothing) {
            return true;
        }
        const std::size_t n = std::min<std::size_t>({count, readSize, body.size() - position});
        std::memcpy(buffer, body.data() + position, n);
        position += n;
        bytesRead = static_cast<std::uint32_t>(n);
        return true;
    }
};

// Records the pieces written; the pieces numbered in failingPieces fail
// (shortBy bytes written instead of none when shortBy is set).
struct RecordingSink {
    std::vector<std::string> pieces;
    std::vector<int> failingPieces;
    std::uint32_t shortBy = 0;
    std::string content;
    int count = 0;

    bool write(const void* data, std::uint32_t length, std::uint32_t& bytesWritten) {
        const bool fails = std::find(failingPieces.begin(), failingPieces.end(), count++) != failingPieces.end();
        bytesWritten = fails ? (shortBy != 0 ? length - shortBy : 0) : length;
        content.append(static_cast<const char*>(data), bytesWritten);
        pieces.emplace_back(static_cast<const char*>(data), length);
        return !fails || shortBy != 0;
    }
};

std::string digestHex() {
    update::Md5Digest digest{};
    update::md5Final(digest);
    return updatetest::hexOf(digest);
}

std::string md5HexOf(const std::string& bytes) {
    update::md5Reset();
    update::md5Update(bytes.size(), bytes.data());
    return digestHex();
}

// Completes the digest the transfer fed before the reference is computed on
// the same process-wide state.
#define EXPECT_DIGEST_OF(bytes)                      \
    do {                                             \
        const std::string fedDigest = digestHex();   \
        EXPECT_EQ(fedDigest, md5HexOf(bytes));       \
    } while (false)

TEST(HttpGetTransfer, FileModeCutsAnnouncedBytesIntoPiecesInOrder) {
    const std::string body = testsupport::patternBytes(41, 3000);
    const struct {
        const char* name;
        std::uint32_t announceSize;
        std::uint32_t readSize;
        std::vector<std::size_t> expectedPieces;
    } cases[] = {
        {"announced at once", 3000, 0xFFFFFFFF, {1024, 1024, 952}},
        {"platform delivers less per read", 3000, 700, {700, 700, 700, 700, 200}},
        {"announced in parts", 1100, 0xFFFFFFFF, {1024, 76, 1024, 76, 800}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedSource source{body, c.announceSize, c.readSize};
        RecordingSink sink;
        update::md5Reset();
        EXPECT_EQ(update::transferToFile(source, sink), 3000u);
        std::vector<std::size_t> sizes;
        for (const auto& piece : sink.pieces) {
            sizes.push_back(piece.size());
        }
        EXPECT_EQ(sizes, c.expectedPieces);
        EXPECT_TRUE(sink.content == body);
        EXPECT_DIGEST_OF(body);
        for (std::uint32_t asked : source.readsAskedFor) {
            EXPECT_LE(asked, update::HTTP_CHUNK_SIZE);
        }
    }
}

TEST(HttpGetTransfer, PieceThatIsNotWrittenCountsButStaysOutOfTheDigest) {
    const std::string body = testsupport::patternBytes(42, 3000);
    for (std::uint32_t shortBy : {0u, 24u}) {
        SCOPED_TRACE(shortBy == 0 ? "write fails" : "write is short");
        ScriptedSource source{body, 3000};
        RecordingSink sink;
        sink.failingPieces = {1};
        sink.shortBy = shortBy;
        update::md5Reset();
        // The failed write abandons the rest of the pass; the next pass reads on.
        EXPECT_EQ(update::transferToFile(source, sink), 3000u);
        ASSERT_EQ(sink.pieces.size(), 3u);
        EXPECT_TRUE(sink.pieces[1] == body.substr(1024, 1024));
        // A failed write leaves nothing of the piece, a short one its head.
        const std::string partlyWritten = shortBy == 0 ? "" : body.substr(1024, 1024 - shortBy);
        EXPECT_TRUE(sink.content == body.substr(0, 1024) + partlyWritten + body.substr(2048));
        EXPECT_DIGEST_OF(body.substr(0, 1024) + body.substr(2048));
    }
}

TEST(HttpGetTransfer, PlatformThatAnnouncesButNeverDeliversCannotHoldTheLoop) {
    for (bool readsFail : {true, false}) {
        SCOPED_TRACE(readsFail ? "reads fail" : "reads deliver nothing");
        ScriptedSource source{"", 0xFFFFFFFF, 0xFFFFFFFF, readsFail, !readsFail};
        RecordingSink sink;
        update::md5Reset();
        EXPECT_EQ(update::transferToFile(source, sink), 0u);
        EXPECT_LT(source.calls, ScriptedSource::CALL_LIMIT) << "the loop only ended at the source's limit";
        EXPECT_TRUE(sink.pieces.empty());

        ScriptedSource memorySource{"", 0xFFFFFFFF, 0xFFFFFFFF, readsFail, !readsFail};
        std::uint8_t buffer[100];
        EXPECT_EQ(update::transferToMemory(memorySource, buffer, sizeof buffer), 0u);
        EXPECT_LT(memorySource.calls, ScriptedSource::CALL_LIMIT);
    }
}

TEST(HttpGetTransfer, FileModeRecoversFromAFailedReadOnTheNextPass) {
    // A read that fails once: the pass is abandoned, the next query goes on.
    struct FlakySource : ScriptedSource {
        int readsSeen = 0;
        bool readData(void* buffer, std::uint32_t count, std::uint32_t& bytesRead) {
            if (++readsSeen == 2) {
                bytesRead = 0;
                return false;
            }
            return ScriptedSource::readData(buffer, count, bytesRead);
        }
    };
    const std::string body = testsupport::patternBytes(43, 2500);
    FlakySource source;
    source.body = body;
    RecordingSink sink;
    update::md5Reset();
    EXPECT_EQ(update::transferToFile(source, sink), 2500u);
    EXPECT_TRUE(sink.content == body);
    EXPECT_DIGEST_OF(body);
}

}  // namespace
