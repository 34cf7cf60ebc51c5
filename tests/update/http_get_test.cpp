// httpGet against the local server, in memory and file mode: results, bytes
// stored, bytes left alone, the digest fed during a file download, and the
// file-mode limit on a body's length.

#include "update/http_client.h"
#include "update/md5.h"

#include "tests/support/http_test_pattern.h"
#include "tests/support/temp_folder.h"
#include "tests/update/update_server_fixture.h"
#include "tests/update/update_test_util.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

using testsupport::HttpTestReply;
using testsupport::HttpTestServer;
using Framing = HttpTestReply::Framing;

constexpr char16_t FOLDER[] = u"/firmware/latest/";
constexpr char16_t FILE_NAME[] = u"Ondavox_update.bvn";
constexpr char PATH[] = "/firmware/latest/Ondavox_update.bvn";

HttpTestReply bodyReply(std::string body, Framing framing = Framing::ContentLength, std::size_t pieceSize = 0) {
    HttpTestReply reply;
    reply.body = std::move(body);
    reply.framing = framing;
    reply.pieceSize = pieceSize;
    if (pieceSize != 0) {
        reply.pieceDelay = std::chrono::milliseconds(2);
    }
    return reply;
}

using updatetest::md5HexOf;

struct TransferCase {
    const char* name;
    HttpTestReply reply;
    bool scripted;               // false: the server does not know the path
    std::string expectedContent;  // the whole content the client should receive
};

// Replies that both modes must deliver byte for byte.
std::vector<TransferCase> transferCases() {
    const std::string text3000 = testsupport::patternBytes(21, 3000);
    HttpTestReply broken = bodyReply(testsupport::patternBytes(22, 3000));
    broken.breakAfter = 1500;
    HttpTestReply brokenChunked = bodyReply(testsupport::patternBytes(23, 75), Framing::Chunked);
    brokenChunked.breakAfter = 5;
    HttpTestReply errorPage = bodyReply("<html>overloaded</html>\n");
    errorPage.status = 503;
    HttpTestReply silent;
    silent.noAnswer = true;
    // Named: a braced {} in the table below makes GCC 12 -O3 warn of an
    // uninitialised string, a false alarm that -Werror turns into an error.
    const HttpTestReply unscripted;
    HttpTestReply large;
    large.patternLength = 1048576 + 17;
    large.patternSeed = 24;
    return {
        {"EmptyBody", bodyReply(""), true, ""},
        {"ContentLength", bodyReply(text3000), true, text3000},
        {"ChunkedInSmallPieces", bodyReply(text3000, Framing::Chunked, 61), true, text3000},
        {"ContentLengthInSmallPieces", bodyReply(text3000, Framing::ContentLength, 100), true, text3000},
        {"LargeChunked", [&] { HttpTestReply r = large; r.framing = Framing::Chunked; return r; }(), true,
         testsupport::patternBytes(24, 1048576 + 17)},
        {"UnknownPathGivesErrorPage", unscripted, false, HttpTestServer::NOT_FOUND_PAGE},
        {"ErrorStatusPageIsContent", errorPage, true, "<html>overloaded</html>\n"},
        {"BreaksMidBody", broken, true, testsupport::patternBytes(22, 1500)},
        {"BreaksMidChunkedBody", brokenChunked, true, testsupport::patternBytes(23, 5)},
        {"NoAnswer", silent, true, ""},
    };
}

class HttpGet : public updatetest::UpdateServerTest {};

TEST_F(HttpGet, MemoryModeStoresTheBodyAndLeavesTheRestOfTheBuffer) {
    constexpr std::uint32_t CAPACITY = 4000;
    constexpr std::size_t GUARD = 64;
    for (const TransferCase& c : transferCases()) {
        SCOPED_TRACE(c.name);
        server().clearScripts();
        if (c.scripted) {
            server().script("/firmware/latest/version.info", c.reply);
        }
        // Content beyond the capacity is cut; the buffer's tail must survive.
        const std::string expected = c.expectedContent.substr(0, CAPACITY);
        std::string buffer(CAPACITY + GUARD, '#');
        const std::int32_t result = update::httpGet(FOLDER, u"version.info", CAPACITY, buffer.data(), false);
        EXPECT_EQ(result, static_cast<std::int32_t>(expected.size()));
        EXPECT_EQ(buffer.substr(0, expected.size()), expected);
        EXPECT_EQ(buffer.substr(expected.size()), std::string(CAPACITY + GUARD - expected.size(), '#'));
    }
}

TEST_F(HttpGet, MemoryModeCutsTheBodyAtTheCapacity) {
    const std::string body = testsupport::patternBytes(31, 300);
    for (std::uint32_t capacity : {100u, 299u, 300u, 301u}) {
        for (Framing framing : {Framing::ContentLength, Framing::Chunked}) {
            SCOPED_TRACE(testing::Message() << "capacity " << capacity << (framing == Framing::Chunked ? " chunked" : ""));
            server().script("/firmware/beta/version.info", bodyReply(body, framing, 64));
            std::string buffer(capacity + 8, '#');
            const std::size_t stored = std::min<std::size_t>(capacity, body.size());
            EXPECT_EQ(update::httpGet(u"/firmware/beta/", u"version.info", capacity, buffer.data(), false),
                      static_cast<std::int32_t>(stored));
            EXPECT_EQ(buffer.substr(0, stored), body.substr(0, stored));
            EXPECT_EQ(buffer.substr(stored), std::string(capacity + 8 - stored, '#'));
        }
    }
}

TEST_F(HttpGet, FileModeWritesTheBodyAndFeedsTheDigest) {
    testsupport::TempFolder folder;
    const std::string destination = folder.nativePath("image.tmp");
    for (const TransferCase& c : transferCases()) {
        SCOPED_TRACE(c.name);
        server().clearScripts();
        if (c.scripted) {
            server().script(PATH, c.reply);
        }
        folder.writeFile("image.tmp", "old content that must go");
        update::md5Reset();
        const std::int32_t result = update::httpGet(FOLDER, FILE_NAME, 0, const_cast<char*>(destination.c_str()), true);
        update::Md5Digest digest{};
        update::md5Final(digest);

        EXPECT_EQ(result, static_cast<std::int32_t>(c.expectedContent.size()));
        ASSERT_TRUE(folder.exists("image.tmp"));
        EXPECT_TRUE(folder.readFile("image.tmp") == c.expectedContent);
        EXPECT_EQ(updatetest::hexOf(digest), md5HexOf(c.expectedContent));
    }
}

TEST_F(HttpGet, SendsOneGetForTheUpdateHostWithTheAgent) {
    server().script("/firmware-hxb/beta/version.info", bodyReply("1.0.0\n"));
    char buffer[100];
    ASSERT_EQ(update::httpGet(u"/firmware-hxb/beta/", u"version.info", sizeof buffer, buffer, false), 6);

    const auto requests = server().requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].requestLine.starts_with("GET ")) << requests[0].requestLine;
    EXPECT_EQ(requests[0].path, "/firmware-hxb/beta/version.info");
    // Through the proxy the target names the update host itself.
    EXPECT_TRUE(requests[0].target.starts_with("http://")) << requests[0].target;
    std::string host;
    for (const char16_t* c = update::UPDATE_SERVER_HOST; *c != u'\0'; ++c) {
        host += static_cast<char>(*c);
    }
    EXPECT_TRUE(requests[0].host == host || requests[0].host == host + ":80") << requests[0].host;
    EXPECT_EQ(requests[0].userAgent, "Brelvan Ondavox Utility/1.0");
}

TEST_F(HttpGet, RefusedConnectionGivesMinusOne) {
    refuseConnections();
    std::string buffer(16, '#');
    EXPECT_EQ(update::httpGet(FOLDER, u"version.info", 8, buffer.data(), false), -1);
    EXPECT_EQ(buffer, std::string(16, '#'));

    // File mode: the destination was created (emptied) before the request failed.
    testsupport::TempFolder folder;
    folder.writeFile("image.tmp", "an earlier download");
    const std::string destination = folder.nativePath("image.tmp");
    EXPECT_EQ(update::httpGet(FOLDER, FILE_NAME, 0, const_cast<char*>(destination.c_str()), true), -1);
    EXPECT_TRUE(folder.exists("image.tmp"));
    EXPECT_EQ(folder.readFile("image.tmp"), "");
}

TEST_F(HttpGet, FileThatCannotBeCreatedGivesMinusOneWithoutARequest) {
    server().script(PATH, bodyReply("image"));
    testsupport::TempFolder folder;
    const std::string destination = folder.nativePath("missing-folder/image.tmp");
    EXPECT_EQ(update::httpGet(FOLDER, FILE_NAME, 0, const_cast<char*>(destination.c_str()), true), -1);
    EXPECT_TRUE(server().requests().empty());
}

TEST_F(HttpGet, PathThatDoesNotFitTheRequestBufferIsNotRequested) {
    std::u16string longFolder = u"/";
    longFolder.append(update::REQUEST_PATH_CAPACITY - 12, u'a');
    longFolder += u"/";
    char buffer[16];
    EXPECT_EQ(update::httpGet(longFolder.c_str(), u"version.info", sizeof buffer, buffer, false), -1);
    EXPECT_TRUE(server().requests().empty());
}

// File mode gives up a body longer than its limit (lowered here to 1 MiB)
// and leaves the file empty; memory mode has its capacity and no such limit.
class HttpGetFileLimit : public HttpGet {
protected:
    void TearDown() override {
        update::setFileModeLimitForTests(0);
        HttpGet::TearDown();
    }
};

TEST_F(HttpGetFileLimit, FileModeGivesUpABodyLongerThanTheLimit) {
    constexpr std::uint64_t LIMIT = 1 << 20;
    update::setFileModeLimitForTests(LIMIT);
    HttpTestReply exactly;
    exactly.patternLength = LIMIT;
    exactly.patternSeed = 53;
    HttpTestReply oneMore = exactly;
    oneMore.patternLength = LIMIT + 1;
    // Endless for a client that stops at the limit; finite, so that a client
    // that does not stop fails the test instead of filling the disk.
    HttpTestReply endless = exactly;
    endless.patternLength = 64 * LIMIT;
    endless.framing = Framing::Chunked;
    const struct {
        const char* name;
        HttpTestReply reply;
        bool fits;
    } cases[] = {
        {"exactly the limit", exactly, true},
        {"one byte more", oneMore, false},
        {"endless chunked body", endless, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server().script(PATH, c.reply);
        testsupport::TempFolder folder;
        folder.writeFile("image.tmp", "an earlier download");
        const std::string destination = folder.nativePath("image.tmp");
        update::md5Reset();
        const auto start = std::chrono::steady_clock::now();
        const std::int32_t result =
            update::httpGet(FOLDER, FILE_NAME, 0, const_cast<char*>(destination.c_str()), true);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
        update::Md5Digest digest{};
        update::md5Final(digest);
        ASSERT_TRUE(folder.exists("image.tmp"));
        const std::string content = folder.readFile("image.tmp");
        if (c.fits) {
            const std::string image = testsupport::patternBytes(53, LIMIT);
            EXPECT_EQ(result, static_cast<std::int32_t>(LIMIT));
            EXPECT_TRUE(content == image);
            EXPECT_EQ(updatetest::hexOf(digest), md5HexOf(image));
        } else {
            // Nothing that can never be installed stays in the temporary folder.
            EXPECT_EQ(result, 0);
            EXPECT_EQ(content.size(), 0u);
        }
    }

    server().script("/firmware/latest/version.info", oneMore);
    std::string buffer(LIMIT + 1, '\0');
    EXPECT_EQ(update::httpGet(FOLDER, u"version.info", LIMIT + 1, buffer.data(), false),
              static_cast<std::int32_t>(LIMIT + 1));
}

}  // namespace
