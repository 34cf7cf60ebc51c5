// The transfer loops over a scripted body source: how pieces are cut and
// gathered into writes, what counts, what reaches the digest, where file mode
// stops, and that a misbehaving platform cannot hold the loop forever.

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
    // Once the body is out the query fails: the transfer broke off.
    bool breaksAtTheEnd = false;
    // The body never ends: pattern bytes of seed 99 follow it for ever.
    bool endless = false;

    std::size_t position = 0;
    std::vector<std::uint32_t> readsAskedFor;
    int calls = 0;
    static constexpr int CALL_LIMIT = 100000;

    bool queryDataAvailable(std::uint32_t& available) {
        if (++calls > CALL_LIMIT) {
            return false;
        }
        if (endless && body.size() - position < 4096) {
            body += testsupport::patternBytes(99 + position, 65536);
        }
        available = static_cast<std::uint32_t>(std::min<std::size_t>(announceSize, body.size() - position));
        if (readsDeliverNothing || readsFail) {
            available = 1000;  // keeps announcing what it never delivers
        }
        return !(breaksAtTheEnd && position == body.size());
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

// Records the writes; the writes numbered in failingWrites fail (shortBy
// bytes written instead of none when shortBy is set).
struct RecordingSink {
    std::vector<std::string> writes;
    std::vector<int> failingWrites;
    std::uint32_t shortBy = 0;
    std::string content;
    int count = 0;

    bool write(const void* data, std::uint32_t length, std::uint32_t& bytesWritten) {
        const bool fails = std::find(failingWrites.begin(), failingWrites.end(), count++) != failingWrites.end();
        bytesWritten = fails ? (shortBy != 0 ? length - shortBy : 0) : length;
        content.append(static_cast<const char*>(data), bytesWritten);
        writes.emplace_back(static_cast<const char*>(data), length);
        return !fails || shortBy != 0;
    }

    std::vector<std::size_t> writeSizes() const {
        std::vector<std::size_t> sizes;
        for (const auto& w : writes) {
            sizes.push_back(w.size());
        }
        return sizes;
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

TEST(HttpGetTransfer, FileModeReadsSmallPiecesAndWritesThemGathered) {
    constexpr std::size_t LENGTH = 150000;
    const std::string body = testsupport::patternBytes(41, LENGTH);
    ScriptedSource atOnce{body, LENGTH};
    ScriptedSource lessPerRead{body, LENGTH, 700};
    ScriptedSource inParts{body, 1100};
    ScriptedSource breaksOff{body.substr(0, 3000), LENGTH};
    breaksOff.breaksAtTheEnd = true;
    const struct {
        const char* name;
        ScriptedSource source;
        std::vector<std::size_t> expectedWrites;
    } cases[] = {
        // The buffer is written when it cannot take another 1024-byte piece.
        {"announced at once", atOnce, {65536, 65536, 18928}},
        {"platform delivers 700 bytes per read", lessPerRead, {65100, 65100, 19800}},
        {"announced in parts of 1100", inParts, {64824, 64900, 20276}},
        // Whatever ends the transfer, the gathered bytes are written.
        {"transfer breaks off", breaksOff, {3000}},
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSink sink;
        update::md5Reset();
        const update::FileTransfer transfer = update::transferToFile(c.source, sink);
        const std::string& expected = c.source.body;
        EXPECT_EQ(transfer.received, expected.size());
        EXPECT_FALSE(transfer.overLimit);
        EXPECT_EQ(sink.writeSizes(), c.expectedWrites);
        EXPECT_TRUE(sink.content == expected);
        EXPECT_DIGEST_OF(expected);
        for (std::uint32_t asked : c.source.readsAskedFor) {
            EXPECT_LE(asked, update::HTTP_CHUNK_SIZE);
        }
    }
}

TEST(HttpGetTransfer, BytesThatAreNotWrittenCountButStayOutOfTheDigest) {
    const std::string body = testsupport::patternBytes(42, 150000);
    for (std::uint32_t shortBy : {0u, 24u}) {
        SCOPED_TRACE(shortBy == 0 ? "write fails" : "write is short");
        ScriptedSource source{body, 150000};
        RecordingSink sink;
        sink.failingWrites = {1};
        sink.shortBy = shortBy;
        update::md5Reset();
        // The failed write abandons the rest of the pass; the next pass reads on.
        EXPECT_EQ(update::transferToFile(source, sink).received, 150000u);
        ASSERT_EQ(sink.writes.size(), 3u);
        EXPECT_TRUE(sink.writes[1] == body.substr(65536, 65536));
        // A failed write leaves nothing of its bytes, a short one their head.
        const std::string partlyWritten = shortBy == 0 ? "" : body.substr(65536, 65536 - shortBy);
        const std::string written = body.substr(0, 65536) + partlyWritten + body.substr(131072);
        EXPECT_TRUE(sink.content == written);
        // The digest is that of the file as written, never that of the body.
        EXPECT_DIGEST_OF(written);
    }
}

TEST(HttpGetTransfer, FileModeStopsAtTheLimit) {
    constexpr std::uint64_t LIMIT = 5000;
    const std::string body = testsupport::patternBytes(44, LIMIT + 1);
    ScriptedSource endless{"", 0xFFFFFFFF};
    endless.endless = true;
    const struct {
        const char* name;
        ScriptedSource source;
        bool overLimit;
    } cases[] = {
        {"exactly the limit", ScriptedSource{body.substr(0, LIMIT), 0xFFFFFFFF}, false},
        {"one byte more", ScriptedSource{body, 0xFFFFFFFF}, true},
        {"one byte more, 700 bytes per read", ScriptedSource{body, 0xFFFFFFFF, 700}, true},
        {"endless body", endless, true},
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSink sink;
        update::md5Reset();
        const update::FileTransfer transfer = update::transferToFile(c.source, sink, LIMIT);
        EXPECT_EQ(transfer.overLimit, c.overLimit);
        EXPECT_EQ(transfer.received, LIMIT);
        // Nothing past the limit is even read.
        EXPECT_EQ(c.source.position, LIMIT);
        EXPECT_TRUE(sink.content == c.source.body.substr(0, LIMIT));
        EXPECT_DIGEST_OF(c.source.body.substr(0, LIMIT));
    }
}

TEST(HttpGetTransfer, PlatformThatAnnouncesButNeverDeliversCannotHoldTheLoop) {
    for (bool readsFail : {true, false}) {
        SCOPED_TRACE(readsFail ? "reads fail" : "reads deliver nothing");
        ScriptedSource source{"", 0xFFFFFFFF, 0xFFFFFFFF, readsFail, !readsFail};
        RecordingSink sink;
        update::md5Reset();
        EXPECT_EQ(update::transferToFile(source, sink).received, 0u);
        EXPECT_LT(source.calls, ScriptedSource::CALL_LIMIT) << "the loop only ended at the source's limit";
        EXPECT_TRUE(sink.writes.empty());

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
    EXPECT_EQ(update::transferToFile(source, sink).received, 2500u);
    EXPECT_TRUE(sink.content == body);
    EXPECT_DIGEST_OF(body);
}

}  // namespace
