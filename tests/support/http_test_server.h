#pragma once
// A scriptable HTTP/1.1 server on 127.0.0.1 for the update client's tests.
// It listens on an ephemeral port in a thread of the test process and answers
// each connection once, then closes it. Requests may come in origin form
// (GET /path) or in the absolute form a client sends through a proxy
// (GET http://host:80/path); the tests point the proxy environment variables
// at the server, so the product's requests for the real host name land here.
// Besides well-formed answers it plays the misbehaving servers a client must
// survive: one that closes or falls silent before the status line, after the
// headers or mid-body, one that redirects elsewhere, one that never accepts.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace testsupport {

struct HttpTestReply {
    enum class Framing { ContentLength, Chunked };

    int status = 200;
    std::string body;
    // Instead of body: a generated body of this many pattern bytes (see
    // http_test_pattern.h), produced while it is sent.
    std::uint64_t patternLength = 0;
    std::uint64_t patternSeed = 0;

    Framing framing = Framing::ContentLength;
    // Body sent in separate pieces of this size (each its own chunk when
    // chunked), with pieceDelay between them; 0 sends it in large blocks.
    std::size_t pieceSize = 0;
    std::chrono::milliseconds pieceDelay{0};
    // A Location header with this value when not empty (give a 3xx status).
    std::string location;
    // The body stops after this many bytes, although the headers announced
    // the whole body (0: the headers and nothing more).
    std::uint64_t breakAfter = std::numeric_limits<std::uint64_t>::max();
    // Nothing at all is answered: not even a status line.
    bool noAnswer = false;
    // Where the answer stops early (noAnswer, breakAfter) the connection is
    // closed, or with stall held open in silence until the client hangs up
    // (at most STALL_LIMIT).
    bool stall = false;

    std::uint64_t bodyLength() const { return patternLength != 0 ? patternLength : body.size(); }
};

struct HttpTestRequest {
    std::string requestLine;  // e.g. "GET http://host:80/firmware/latest/version.info HTTP/1.1"
    std::string target;       // as sent
    std::string path;         // the target without scheme and authority
    std::string host;         // the Host header
    std::string userAgent;    // the User-Agent header
};

class HttpTestServer {
public:
    HttpTestServer();  // listens at once; check isListening()
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    bool isListening() const;
    std::uint16_t port() const;
    // "http://127.0.0.1:<port>", the value for the proxy variables.
    std::string proxyUrl() const;

    // What the server answers for path; a path without a script gets 404.
    void script(const std::string& path, HttpTestReply reply);
    void clearScripts();
    // While refusing, nothing listens on the port: connections are refused.
    // The port stays the same, so the proxy setting stays valid.
    void refuseConnections(bool refuse);
    // While ignoring, the port listens but its queue of pending connections
    // is kept full and nothing is accepted: a new connection attempt gets no
    // answer at all, as from a host that has gone away. After STALL_LIMIT the
    // port refuses instead.
    void ignoreConnections(bool ignore);
    std::vector<HttpTestRequest> requests() const;

    // The longest a stalled answer holds its connection when the client
    // never hangs up; a client without time-outs shows up as a slow test.
    static constexpr std::chrono::seconds STALL_LIMIT{20};

    static constexpr const char* NOT_FOUND_PAGE =
        "<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1></body></html>\n";

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Points http_proxy and HTTP_PROXY of this process at url and clears the
// no-proxy lists, as seen by both the C runtime and the system's client.
// Set it once per process, before the first request: Wine's WinHTTP keeps
// the first proxy it has seen for the rest of the process.
void setHttpProxy(const std::string& url);

}  // namespace testsupport
