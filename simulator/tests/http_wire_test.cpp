// The HTTP pieces both local servers build on: what a request's target,
// request line and headers are taken to say, and the exact bytes of a
// response head.

#include <gtest/gtest.h>

#include <string>

#include "simulator/common/http_wire.h"

namespace {

TEST(HttpWire, TargetPathOfEachFormOfTarget) {
    const struct {
        const char* target;
        const char* path;  // "" : neither origin nor absolute form
    } cases[] = {
        {"/firmware/latest/version.info", "/firmware/latest/version.info"},
        {"/firmware/latest/version.info?nocache=1", "/firmware/latest/version.info?nocache=1"},
        {"http://updates.ondavox.invalid:80/firmware/beta/version.info", "/firmware/beta/version.info"},
        {"http://updates.ondavox.invalid/firmware/beta/version.info", "/firmware/beta/version.info"},
        {"http://updates.ondavox.invalid", "/"},
        {"http://updates.ondavox.invalid:80", "/"},
        {"firmware/latest/version.info", ""},
        {"*", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        EXPECT_EQ(httpwire::targetPath(c.target), c.path);
    }
    EXPECT_EQ(httpwire::withoutQuery("/firmware/latest/version.info?nocache=1&x=?"), "/firmware/latest/version.info");
    EXPECT_EQ(httpwire::withoutQuery("/firmware/latest/"), "/firmware/latest/");
}

TEST(HttpWire, RequestLineIsSplitAtItsFirstTwoBlanks) {
    const struct {
        const char* head;
        const char* method;
        const char* target;
        bool complete;
    } cases[] = {
        {"GET http://h:80/a/b HTTP/1.1\r\nHost: h\r\n\r\n", "GET", "http://h:80/a/b", true},
        {"HEAD /a HTTP/1.0\r\n\r\n", "HEAD", "/a", true},
        {"GET /a/b\r\n\r\n", "GET", "/a/b", false},
        {"hello\r\n\r\n", "", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.head);
        const httpwire::RequestLine line = httpwire::parseRequestLine(c.head);
        EXPECT_EQ(line.text, std::string(c.head).substr(0, std::string(c.head).find("\r\n")));
        EXPECT_EQ(line.method, c.method);
        EXPECT_EQ(line.target, c.target);
        EXPECT_EQ(line.complete, c.complete);
    }
}

TEST(HttpWire, HeaderValuesAreFoundByNameRegardlessOfCase) {
    const std::string head =
        "GET /Host: HTTP/1.1\r\n"
        "X-Host: not this one\r\n"
        "user-agent:\tBrelvan Ondavox Utility/1.0\r\n"
        "HOST:   updates.ondavox.invalid:80\r\n"
        "Empty:\r\n"
        "\r\n";
    EXPECT_EQ(httpwire::headerValue(head, "Host"), "updates.ondavox.invalid:80");
    EXPECT_EQ(httpwire::headerValue(head, "User-Agent"), "Brelvan Ondavox Utility/1.0");
    EXPECT_EQ(httpwire::headerValue(head, "Empty"), "");
    EXPECT_EQ(httpwire::headerValue(head, "Accept"), "");
}

TEST(HttpWire, ResponseHeadCarriesTheHeadersInOrderAndClosesTheConnection) {
    EXPECT_EQ(httpwire::responseHead(404, {{"Content-Type", "text/html"}, {"Content-Length", "12"}}),
              "HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: 12\r\n"
              "Connection: close\r\n\r\n");
    EXPECT_EQ(httpwire::responseHead(302, {{"Location", "http://h/x"}}),
              "HTTP/1.1 302 Found\r\nLocation: http://h/x\r\nConnection: close\r\n\r\n");
}

}  // namespace
