#pragma once
// HTTP group of the platform layer: the host system's HTTP client, used
// synchronously with the system's default proxy configuration and default
// time-outs. Each handle closes itself, so every path releases it; destroying
// them in reverse order of opening closes request, connection, then session.

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

// A session that names itself with agent and takes the system's default
// proxy configuration; not open on failure.
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

// The number of body bytes that can be read now; 0 once the body is complete.
// False when the transfer broke.
bool httpQueryDataAvailable(HttpHandle& request, std::uint32_t& available);

// Reads up to count body bytes; bytesRead says how many were placed.
bool httpReadData(HttpHandle& request, void* buffer, std::uint32_t count, std::uint32_t& bytesRead);

}  // namespace platform
