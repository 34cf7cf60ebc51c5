// The scriptable test server: BSD sockets on Linux, Winsock on Windows.

#include "tests/support/http_test_server.h"

#include "simulator/common/http_wire.h"
#include "tests/support/http_test_pattern.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace testsupport {

namespace {

using httpwire::Socket;
using httpwire::sendText;

#ifdef _WIN32
constexpr Socket NO_SOCKET = INVALID_SOCKET;
void closeSocket(Socket s) { ::closesocket(s); }
struct WinsockUser {
    WinsockUser() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
    }
};
void useNetwork() { static WinsockUser user; }
#else
constexpr Socket NO_SOCKET = -1;
void closeSocket(Socket s) { ::close(s); }
void useNetwork() {}
#endif

// A longer request head without its end is served as far as it came.
constexpr std::size_t LONGEST_REQUEST_HEAD = 65535;

class OwnedSocket {
public:
    explicit OwnedSocket(Socket s = NO_SOCKET) : s_(s) {}
    ~OwnedSocket() { reset(); }
    OwnedSocket(const OwnedSocket&) = delete;
    OwnedSocket& operator=(const OwnedSocket&) = delete;
    Socket get() const { return s_; }
    void reset(Socket s = NO_SOCKET) {
        if (s_ != NO_SOCKET) {
            closeSocket(s_);
        }
        s_ = s;
    }

private:
    Socket s_;
};

// Listens on port of 127.0.0.1, or on a free port when port is 0; port
// then tells which. backlog is the length of the queue of pending connections.
Socket listenOnLoopback(std::uint16_t& port, int backlog = 16) {
    useNetwork();
    Socket s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == NO_SOCKET) {
        return NO_SOCKET;
    }
    // The port is taken up again after a pause in refusing mode, while
    // earlier connections may still linger on it.
    int reuse = 1;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    socklen_t length = sizeof address;
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(s, backlog) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closeSocket(s);
        return NO_SOCKET;
    }
    port = ntohs(address.sin_port);
    return s;
}

// Waits up to limit for s to become readable (data, or the peer's hang-up).
bool waitReadable(Socket s, std::chrono::milliseconds limit) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval wait{static_cast<long>(limit.count() / 1000), static_cast<long>(limit.count() % 1000) * 1000};
    return ::select(static_cast<int>(s) + 1, &readable, nullptr, nullptr, &wait) > 0;
}

// Holds the connection open without a word until the client hangs up (or
// resets it), or until limit has passed.
void stayQuiet(Socket s, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    char scratch[256];
    while (std::chrono::steady_clock::now() < end) {
        if (waitReadable(s, std::chrono::milliseconds(50)) && ::recv(s, scratch, sizeof scratch, 0) <= 0) {
            return;
        }
    }
}

// A connection to port that stays in the listener's queue: with a queue
// length of 0 it fills the queue, and the kernel drops further attempts.
Socket occupyQueue(std::uint16_t port) {
    Socket s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == NO_SOCKET) {
        return NO_SOCKET;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closeSocket(s);
        return NO_SOCKET;
    }
    return s;
}

// The target without scheme and authority; a target in neither origin nor
// absolute form stays as it is.
std::string pathOf(const std::string& target) {
    const std::string path = httpwire::targetPath(target);
    return path.empty() ? target : path;
}

}  // namespace

// How the port treats new connections.
enum class Admission { Accept, Refuse, Ignore };

struct HttpTestServer::State {
    OwnedSocket listener;
    OwnedSocket queueFiller;  // while ignoring
    std::uint16_t port = 0;
    std::atomic<bool> stopping{false};
    std::atomic<Admission> wanted{Admission::Accept};
    std::atomic<Admission> admission{Admission::Accept};
    std::chrono::steady_clock::time_point ignoringSince;
    std::thread thread;
    mutable std::mutex mutex;
    std::map<std::string, HttpTestReply> scripts;
    std::vector<HttpTestRequest> log;

    void admit(Admission mode) {
        queueFiller.reset();
        listener.reset();
        std::uint16_t samePort = port;
        if (mode == Admission::Accept) {
            listener.reset(listenOnLoopback(samePort));
        } else if (mode == Admission::Ignore) {
            listener.reset(listenOnLoopback(samePort, 0));
            if (listener.get() != NO_SOCKET) {
                queueFiller.reset(occupyQueue(port));
            }
            ignoringSince = std::chrono::steady_clock::now();
        }
        admission = mode;
    }

    // A client without a connect limit would wait for ever on an ignoring
    // port; after STALL_LIMIT the port refuses instead, so such a client
    // fails its test at its next attempt rather than hanging it.
    void stopIgnoringWhenOverdue() {
        if (admission == Admission::Ignore && listener.get() != NO_SOCKET &&
            std::chrono::steady_clock::now() - ignoringSince > STALL_LIMIT) {
            queueFiller.reset();
            listener.reset();
        }
    }

    // Asks the server thread for mode and waits until it holds.
    void switchTo(Admission mode) {
        wanted = mode;
        while (admission != mode && thread.joinable()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    void run() {
        while (!stopping) {
            if (wanted != admission) {
                admit(wanted);
            }
            if (admission != Admission::Accept || listener.get() == NO_SOCKET) {
                stopIgnoringWhenOverdue();
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            }
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(listener.get(), &readable);
            timeval wait{0, 50 * 1000};
            if (::select(static_cast<int>(listener.get()) + 1, &readable, nullptr, nullptr, &wait) <= 0) {
                continue;
            }
            OwnedSocket connection(::accept(listener.get(), nullptr, nullptr));
            if (connection.get() != NO_SOCKET) {
                serve(connection.get());
            }
        }
    }

    void serve(Socket s) {
        int noDelay = 1;
        ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
        std::string head;
        // A client that connects and says nothing must not hold the server.
        const auto waitForData = [s] { return waitReadable(s, std::chrono::seconds(3)); };
        if (httpwire::readRequestHead(s, head, LONGEST_REQUEST_HEAD, waitForData) == httpwire::HeadRead::Ended) {
            return;
        }
        const httpwire::RequestLine line = httpwire::parseRequestLine(head);
        HttpTestRequest request;
        request.requestLine = line.text;
        request.target = line.target;
        request.path = pathOf(request.target);
        request.host = httpwire::headerValue(head, "Host");
        request.userAgent = httpwire::headerValue(head, "User-Agent");

        HttpTestReply reply;
        {
            std::lock_guard lock(mutex);
            log.push_back(request);
            const auto found = scripts.find(request.path);
            if (found != scripts.end()) {
                reply = found->second;
            } else {
                reply.status = 404;
                reply.body = NOT_FOUND_PAGE;
            }
        }
        if (!reply.noAnswer) {
            answer(s, reply);
        } else if (reply.stall) {
            stayQuiet(s, STALL_LIMIT);
        }
    }

    void answer(Socket s, const HttpTestReply& reply) {
        const bool chunked = reply.framing == HttpTestReply::Framing::Chunked;
        const std::uint64_t length = reply.bodyLength();
        std::vector<httpwire::Header> headers{{"Content-Type", "application/octet-stream"}};
        if (!reply.location.empty()) {
            headers.push_back({"Location", reply.location});
        }
        headers.push_back(chunked ? httpwire::Header{"Transfer-Encoding", "chunked"}
                                  : httpwire::Header{"Content-Length", std::to_string(length)});
        if (!sendText(s, httpwire::responseHead(reply.status, headers))) {
            return;
        }

        const std::uint64_t stopAt = std::min(length, reply.breakAfter);
        const std::size_t pieceSize = reply.pieceSize != 0 ? reply.pieceSize : (1 << 16);
        std::string piece;
        for (std::uint64_t offset = 0; offset < stopAt;) {
            const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(pieceSize, stopAt - offset));
            if (reply.patternLength != 0) {
                piece.resize(size);
                fillPattern(reply.patternSeed, offset, reinterpret_cast<unsigned char*>(piece.data()), size);
            } else {
                piece.assign(reply.body, static_cast<std::size_t>(offset), size);
            }
            if (chunked) {
                char sizeLine[32];
                std::snprintf(sizeLine, sizeof sizeLine, "%zx\r\n", size);
                piece = sizeLine + piece + "\r\n";
            }
            if (!sendText(s, piece)) {
                return;
            }
            offset += size;
            if (reply.pieceDelay.count() > 0 && offset < stopAt) {
                std::this_thread::sleep_for(reply.pieceDelay);
            }
        }
        if (stopAt < length && reply.stall) {
            stayQuiet(s, STALL_LIMIT);
            return;
        }
        if (chunked && stopAt == length) {
            sendText(s, "0\r\n\r\n");
        }
#ifdef _WIN32
        ::shutdown(s, SD_SEND);
#else
        ::shutdown(s, SHUT_WR);
#endif
        // Let the client read everything before the socket goes away.
        char drain[256];
        if (waitReadable(s, std::chrono::seconds(1))) {
            ::recv(s, drain, sizeof drain, 0);
        }
    }
};

HttpTestServer::HttpTestServer() : state_(std::make_unique<State>()) {
    state_->listener.reset(listenOnLoopback(state_->port));
    if (state_->listener.get() != NO_SOCKET) {
        state_->thread = std::thread([state = state_.get()] { state->run(); });
    }
}

HttpTestServer::~HttpTestServer() {
    state_->stopping = true;
    if (state_->thread.joinable()) {
        state_->thread.join();
    }
}

bool HttpTestServer::isListening() const { return state_->listener.get() != NO_SOCKET; }

std::uint16_t HttpTestServer::port() const { return state_->port; }

std::string HttpTestServer::proxyUrl() const { return "http://127.0.0.1:" + std::to_string(state_->port); }

void HttpTestServer::refuseConnections(bool refuse) {
    state_->switchTo(refuse ? Admission::Refuse : Admission::Accept);
}

void HttpTestServer::ignoreConnections(bool ignore) {
    state_->switchTo(ignore ? Admission::Ignore : Admission::Accept);
}

void HttpTestServer::script(const std::string& path, HttpTestReply reply) {
    std::lock_guard lock(state_->mutex);
    state_->scripts[path] = std::move(reply);
}

void HttpTestServer::clearScripts() {
    std::lock_guard lock(state_->mutex);
    state_->scripts.clear();
    state_->log.clear();
}

std::vector<HttpTestRequest> HttpTestServer::requests() const {
    std::lock_guard lock(state_->mutex);
    return state_->log;
}

void setHttpProxy(const std::string& url) {
#ifdef _WIN32
    for (const char* name : {"http_proxy", "HTTP_PROXY"}) {
        ::SetEnvironmentVariableA(name, url.c_str());
        ::_putenv_s(name, url.c_str());
    }
    for (const char* name : {"no_proxy", "NO_PROXY"}) {
        ::SetEnvironmentVariableA(name, nullptr);
        ::_putenv_s(name, "");
    }
#else
    for (const char* name : {"http_proxy", "HTTP_PROXY"}) {
        ::setenv(name, url.c_str(), 1);
    }
    for (const char* name : {"no_proxy", "NO_PROXY"}) {
        ::unsetenv(name);
    }
#endif
}

}  // namespace testsupport
