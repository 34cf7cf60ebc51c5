#pragma once
// HTTP group of the platform layer: the host system's HTTP client, used
// synchronously with the system's default proxy configuration and the default
// time-outs below. Each handle closes itself, so every path releases it;
// destroying them in reverse order of opening closes request, connection,
// then session.

#include <cstdint>

namespace platform {

// One open session, connection or request of the host's HTTP client.
class HttpHandle {
public:
    HttpHandle() = default;
    explicit HttpHandle(std::intptr_t native) : native_(native) {}
    HttpHandle(HttpHandle&& other) noexcept : native_(other.native_) { other.native_ = 0; }
    HttpHandle& operator=(HttpHandle&& other) noexcept {
        if (this != &other) {
            close();
            native_ = other.native_;
            other.native_ = 0;
        }
        return *this;
    }
    HttpHandle(const HttpHandle&) = delete;
    HttpHandle& operator=(const HttpHandle&) = delete;
    ~HttpHandle() { close(); }

    bool isOpen() const { return native_ != 0; }
    std::intptr_t native() const { return native_; }
    void close();

private:
    std::intptr_t native_ = 0;
};

// The time-outs every request gets, the Windows client's defaults: name
// resolution unlimited, connecting 60 s, sending 30 s, 30 s without a received
// byte in any one wait for the answer or for body bytes, and 90 s for the
// whole head of the answer. A call that runs into one ends as a failed call
// does (nothing sent, no answer, or a broken transfer).
constexpr std::uint32_t HTTP_CONNECT_TIMEOUT_MS = 60000;
constexpr std::uint32_t HTTP_SEND_TIMEOUT_MS = 30000;
constexpr std::uint32_t HTTP_RECEIVE_TIMEOUT_MS = 30000;
constexpr std::uint32_t HTTP_RESPONSE_TIMEOUT_MS = 90000;

// Readies the host's HTTP client in the background (on Linux, loads libcurl),
// so that a program's start need not wait for it and its first session need
// not either. Optional; calling it again does nothing.
void prepareHttp();

// For tests only: sessions opened from now on use milliseconds for every
// limit but name resolution, so stalled servers are given up on quickly; 0
// returns to the defaults. The product never calls it.
void setHttpTimeoutsForTests(std::uint32_t milliseconds);

// A session that names itself with agent and takes the system's default
// proxy configuration; not open on failure. The support log is told the
// proxy in use (host and port only) whenever it differs from the one before.
HttpHandle httpOpenSession(const char16_t* agent);

// A connection of the session to host on port; not open on failure.
HttpHandle httpConnect(const HttpHandle& session, const char16_t* host, std::uint16_t port);

// A request with verb for path, every other setting at its default (no
// referrer, no accept types, no flags); not open on failure.
HttpHandle httpOpenRequest(const HttpHandle& connection, const char16_t* verb, const char16_t* path);

// Sends the request without headers or body; false when it did not go out.
bool httpSendRequest(HttpHandle& request);

// Waits for the response headers; false when no response arrived.
bool httpReceiveResponse(HttpHandle& request);

// The body's length as the answer announced it (Content-Length); false when
// it announced none, as with a chunked body or one that ends with the
// connection. Asked after httpReceiveResponse.
bool httpContentLength(HttpHandle& request, std::uint64_t& length);

// The number of body bytes that can be read now; 0 once the body is complete.
// False when the transfer broke.
bool httpQueryDataAvailable(HttpHandle& request, std::uint32_t& available);

// The status code of the answer whose headers arrived; 0 when there is none.
std::uint32_t httpStatusCode(HttpHandle& request);

// Reads up to count body bytes; bytesRead says how many were placed.
bool httpReadData(HttpHandle& request, void* buffer, std::uint32_t count, std::uint32_t& bytesRead);

}  // namespace platform
