// The local update server: what it answers to each form of request, that it
// never serves outside its folder, and what it logs. Requests are sent as raw
// bytes, so the tests see exactly what a client gets.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "simulator/update_server/update_server.h"
#include "tests/support/temp_folder.h"
#include "tests/support/http_test_server.h"
#include "update/http_client.h"

namespace {

struct Response {
    int status = 0;
    std::string head;
    std::string body;
};

int connectTo(std::uint16_t port) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(s);
        return -1;
    }
    return s;
}

// Sends the request bytes and reads the whole answer, up to the close.
Response exchange(std::uint16_t port, const std::string& request) {
    Response response;
    const int s = connectTo(port);
    if (s < 0) {
        return response;
    }
    ::send(s, request.data(), request.size(), MSG_NOSIGNAL);
    std::string all;
    char buffer[4096];
    ssize_t got;
    while ((got = ::recv(s, buffer, sizeof buffer, 0)) > 0) {
        all.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(s);
    const std::size_t end = all.find("\r\n\r\n");
    if (all.rfind("HTTP/1.1 ", 0) != 0 || end == std::string::npos) {
        return response;
    }
    response.status = std::stoi(all.substr(9, 3));
    response.head = all.substr(0, end + 2);
    response.body = all.substr(end + 4);
    return response;
}

std::string get(const std::string& target, const std::string& agent = "test-agent") {
    return "GET " + target + " HTTP/1.1\r\nHost: updates.ondavox.invalid\r\nUser-Agent: " + agent + "\r\n\r\n";
}

std::string binaryImage() {
    std::string image;
    for (int i = 0; i < 70000; ++i) {
        image += static_cast<char>((i * 7 + i / 256) & 0xFF);  // every byte value, NULs included
    }
    return image;
}

class UpdateServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        files.writeFile("served/firmware/latest/version.info", "2.2.0\n");
        files.writeFile("served/firmware/latest/Ondavox_update.bvn", binaryImage());
        files.writeFile("outside.txt", "not to be served");
        simulator::UpdateServerOptions options;
        options.root = files.nativePath("served");
        options.echo = false;
        server = std::make_unique<simulator::UpdateServer>(options);
        std::string error;
        ASSERT_TRUE(server->start(error)) << error;
    }

    testsupport::TempFolder files;
    std::unique_ptr<simulator::UpdateServer> server;
};

TEST_F(UpdateServerTest, ServesFilesInOriginAndProxyForm) {
    const char* const targets[] = {
        "/firmware/latest/version.info",
        "http://updates.ondavox.invalid:80/firmware/latest/version.info",
        "http://updates.ondavox.invalid/firmware/latest/version.info",
        "/firmware/latest/version.info?nocache=1",
    };
    for (const char* target : targets) {
        SCOPED_TRACE(target);
        const Response response = exchange(server->port(), get(target));
        EXPECT_EQ(response.status, 200);
        EXPECT_EQ(response.body, "2.2.0\n");
        EXPECT_NE(response.head.find("Content-Length: 6\r\n"), std::string::npos);
    }
}

TEST_F(UpdateServerTest, ServesABinaryImageByteForByte) {
    const Response response = exchange(server->port(), get("/firmware/latest/Ondavox_update.bvn"));
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.body, binaryImage());
    EXPECT_NE(response.head.find("Content-Length: 70000\r\n"), std::string::npos);
}

// With a rate the same bytes come, no faster than the rate: 70000 bytes at
// 100000 bytes a second take at least 0.7 s.
TEST_F(UpdateServerTest, APacedServerSendsTheSameBytesNoFasterThanItsRate) {
    simulator::UpdateServerOptions options;
    options.root = files.nativePath("served");
    options.echo = false;
    options.bytesPerSecond = 100000;
    simulator::UpdateServer paced(options);
    std::string error;
    ASSERT_TRUE(paced.start(error)) << error;
    const auto start = std::chrono::steady_clock::now();
    const Response response = exchange(paced.port(), get("/firmware/latest/Ondavox_update.bvn"));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.body, binaryImage());
    EXPECT_GE(took, std::chrono::milliseconds(690));
    EXPECT_LT(took, std::chrono::seconds(5)) << "far slower than its rate";
}

TEST_F(UpdateServerTest, AnswersNotFoundForAnythingButAFileInsideItsFolder) {
    const char* const targets[] = {
        "/firmware/latest/Ondavox_update.md5",  // missing
        "/firmware/beta/version.info",          // missing folder
        "/firmware/latest/",                    // a folder
        "/firmware/latest",
        "/../outside.txt",
        "/firmware/../../outside.txt",
        "http://updates.ondavox.invalid/../outside.txt",
        "/firmware\\..\\..\\outside.txt",
    };
    for (const char* target : targets) {
        SCOPED_TRACE(target);
        const Response response = exchange(server->port(), get(target));
        EXPECT_EQ(response.status, 404);
        EXPECT_EQ(response.body.find("not to be served"), std::string::npos);
    }
}

TEST_F(UpdateServerTest, AnswersOtherMethodsAndBrokenRequests) {
    struct Case {
        const char* request;
        int status;
        bool hasBody;
    };
    const Case cases[] = {
        {"HEAD /firmware/latest/version.info HTTP/1.1\r\nHost: h\r\n\r\n", 200, false},
        {"POST /firmware/latest/version.info HTTP/1.1\r\nHost: h\r\nContent-Length: 0\r\n\r\n", 405, true},
        {"GET firmware/latest/version.info HTTP/1.1\r\n\r\n", 400, true},
        {"hello\r\n\r\n", 400, true},
        {"GET /firmware/latest/version.info SPDY/9\r\n\r\n", 400, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        const Response response = exchange(server->port(), c.request);
        EXPECT_EQ(response.status, c.status);
        EXPECT_EQ(!response.body.empty(), c.hasBody);
    }
    // HEAD announces the file's length without sending it.
    EXPECT_NE(exchange(server->port(), cases[0].request).head.find("Content-Length: 6\r\n"), std::string::npos);
}

TEST_F(UpdateServerTest, RecordsAndLogsEachRequestWithPathAndAgent) {
    exchange(server->port(), get("http://updates.ondavox.invalid:80/firmware/latest/version.info", "Agent One"));
    exchange(server->port(), get("/firmware/beta/version.info", "Agent Two"));

    const auto requests = server->requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "http://updates.ondavox.invalid:80/firmware/latest/version.info");
    EXPECT_EQ(requests[0].path, "/firmware/latest/version.info");
    EXPECT_EQ(requests[0].host, "updates.ondavox.invalid");
    EXPECT_EQ(requests[0].userAgent, "Agent One");
    EXPECT_EQ(requests[0].status, 200);
    EXPECT_EQ(requests[0].bodyBytes, 6u);
    EXPECT_EQ(requests[1].status, 404);

    EXPECT_EQ(server->log().count("GET /firmware/latest/version.info -> 200, 6 bytes, agent \"Agent One\""), 1);
    EXPECT_EQ(server->log().count("GET /firmware/beta/version.info -> 404"), 1);
    EXPECT_EQ(server->log().count("agent \"Agent Two\""), 1);
}

TEST_F(UpdateServerTest, WritesItsLogFileOneLinePerRequest) {
    simulator::UpdateServerOptions options;
    options.root = files.nativePath("served");
    options.logFile = files.nativePath("server.log");
    options.echo = false;
    simulator::UpdateServer logged(options);
    std::string error;
    ASSERT_TRUE(logged.start(error)) << error;
    exchange(logged.port(), get("/firmware/latest/version.info", "Brelvan Ondavox Utility/1.0"));
    logged.stop();

    const std::string log = files.readFile("server.log");
    EXPECT_NE(log.find(" GET /firmware/latest/version.info -> 200, 6 bytes, agent \"Brelvan Ondavox Utility/1.0\"\n"),
              std::string::npos)
        << log;
}

TEST_F(UpdateServerTest, AnswersTheProductsClientThroughTheProxySetting) {
    testsupport::setHttpProxy(server->proxyUrl());
    char buffer[100] = {};
    EXPECT_EQ(update::httpGet(u"/firmware/latest/", u"version.info", sizeof buffer, buffer, false), 6);
    EXPECT_STREQ(buffer, "2.2.0\n");

    // The client may have the whole answer before the server has recorded it.
    ASSERT_TRUE(server->log().waitFor("GET /firmware/latest/version.info -> 200", std::chrono::seconds(5)));
    const auto requests = server->requests();
    ASSERT_EQ(requests.size(), 1u);
    // Proxy form; libcurl leaves out the default port that WinHTTP writes.
    EXPECT_EQ(requests[0].target.rfind("http://updates.ondavox.invalid", 0), 0u) << requests[0].target;
    EXPECT_EQ(requests[0].path, "/firmware/latest/version.info");
    EXPECT_EQ(requests[0].userAgent, "Brelvan Ondavox Utility/1.0");
}

TEST_F(UpdateServerTest, ASilentClientNeitherBlocksOthersNorTheStop) {
    const int silent = connectTo(server->port());
    ASSERT_GE(silent, 0);
    EXPECT_EQ(exchange(server->port(), get("/firmware/latest/version.info")).status, 200);

    const auto before = std::chrono::steady_clock::now();
    server->stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(3));
    ::close(silent);
}

TEST_F(UpdateServerTest, RefusesToStartWithoutAFolderOrOnATakenPort) {
    simulator::UpdateServerOptions options;
    options.echo = false;
    options.root = files.nativePath("no-such-folder");
    std::string error;
    EXPECT_FALSE(simulator::UpdateServer(options).start(error));
    EXPECT_NE(error.find("no folder"), std::string::npos);

    options.root = files.nativePath("served");
    options.port = server->port();
    EXPECT_FALSE(simulator::UpdateServer(options).start(error));
    EXPECT_NE(error.find("cannot listen"), std::string::npos);
}

}  // namespace
