#include "simulator/update_server/update_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "simulator/common/file_descriptor.h"
#include "simulator/common/http_wire.h"

namespace simulator {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t LARGEST_REQUEST_HEAD = 16384;
constexpr int SOCKET_TIMEOUT_SECONDS = 10;

using httpwire::sendAll;

// Whether the path stays inside the served folder: no ".." piece, no
// backslash, no NUL. Links inside the folder are followed as they are.
bool isSafePath(const std::string& path) {
    if (path.find('\\') != std::string::npos || path.find('\0') != std::string::npos) {
        return false;
    }
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        if (path.compare(start, end - start, "..") == 0) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

std::string errorPage(int status) {
    const char* reason = httpwire::reasonPhrase(status);
    char page[200];
    std::snprintf(page, sizeof page, "<html><head><title>%d %s</title></head><body><h1>%s</h1></body></html>\n",
                  status, reason, reason);
    return page;
}

std::string responseHead(int status, std::uint64_t length, const char* type) {
    return httpwire::responseHead(status, {{"Server", "ondavox-update-server"},
                                           {"Content-Type", type},
                                           {"Content-Length", std::to_string(length)}});
}

const char* contentTypeOf(const std::string& path) {
    const bool text = path.ends_with(".info") || path.ends_with(".md5");
    return text ? "text/plain" : "application/octet-stream";
}

}  // namespace

UpdateServer::UpdateServer(UpdateServerOptions options) : options_(std::move(options)) {}

UpdateServer::~UpdateServer() { stop(); }

bool UpdateServer::start(std::string& error) {
    std::error_code fsError;
    if (!fs::is_directory(options_.root, fsError)) {
        error = "no folder to serve at \"" + options_.root + "\"";
        return false;
    }
    if (!options_.logFile.empty() && !log_.openFile(options_.logFile)) {
        error = "cannot write the log file \"" + options_.logFile + "\"";
        return false;
    }
    log_.echo(options_.echo);

    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (listener_ < 0 || wake_ < 0) {
        error = "cannot make a socket";
        return false;
    }
    const int reuse = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(options_.port);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        error = "cannot listen on 127.0.0.1:" + std::to_string(options_.port) + ": " + std::strerror(errno);
        return false;
    }
    port_ = ntohs(address.sin_port);
    log_.add("serving %s on 127.0.0.1:%u", options_.root.c_str(), static_cast<unsigned>(port_));
    thread_ = std::thread([this] { acceptLoop(); });
    return true;
}

void UpdateServer::stop() {
    if (thread_.joinable()) {
        stopping_ = true;
        const std::uint64_t one = 1;
        if (::write(wake_, &one, sizeof one) < 0) {
            // an event counter only refuses a write when it would overflow
        }
        thread_.join();
        std::vector<std::thread> connections;
        {
            std::lock_guard lock(mutex_);
            connections.swap(connections_);
        }
        for (std::thread& connection : connections) {
            connection.join();
        }
        log_.add("stopped");
    }
    for (int* fd : {&listener_, &wake_}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

std::string UpdateServer::proxyUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::vector<ServedRequest> UpdateServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void UpdateServer::acceptLoop() {
    while (!stopping_) {
        pollfd watched[2] = {{listener_, POLLIN, 0}, {wake_, POLLIN, 0}};
        if (::poll(watched, 2, 500) <= 0 || (watched[1].revents & POLLIN) != 0) {
            continue;
        }
        const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) {
            continue;
        }
        std::lock_guard lock(mutex_);
        connections_.emplace_back([this, connection] { serve(connection); });
    }
}

void UpdateServer::serve(int connectionFd) {
    FileDescriptor connection(connectionFd);
    const timeval timeout{SOCKET_TIMEOUT_SECONDS, 0};
    ::setsockopt(connection.get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(connection.get(), SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    const int noDelay = 1;
    ::setsockopt(connection.get(), IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);

    std::string head;
    // A client that sends nothing must not hold up stop().
    const auto waitForData = [&] {
        pollfd watched[2] = {{connection.get(), POLLIN, 0}, {wake_, POLLIN, 0}};
        return !stopping_ && ::poll(watched, 2, SOCKET_TIMEOUT_SECONDS * 1000) > 0 &&
               (watched[1].revents & POLLIN) == 0;
    };
    if (httpwire::readRequestHead(connection.get(), head, LARGEST_REQUEST_HEAD, waitForData) !=
        httpwire::HeadRead::Complete) {
        return;
    }

    ServedRequest request;
    const httpwire::RequestLine line = httpwire::parseRequestLine(head);
    const std::string& requestLine = line.text;
    if (line.complete) {
        request.method = line.method;
        request.target = line.target;
    }
    // Origin or absolute form; anything else leaves the path empty.
    request.path = httpwire::withoutQuery(httpwire::targetPath(request.target));
    request.host = httpwire::headerValue(head, "Host");
    request.userAgent = httpwire::headerValue(head, "User-Agent");

    const bool headOnly = request.method == "HEAD";
    std::string response;
    FileDescriptor file;
    std::uint64_t fileSize = 0;
    const bool knownVersion = requestLine.ends_with(" HTTP/1.1") || requestLine.ends_with(" HTTP/1.0");
    if (request.method.empty() || request.path.empty() || !knownVersion) {
        request.status = 400;
    } else if (request.method != "GET" && !headOnly) {
        request.status = 405;
    } else if (!isSafePath(request.path)) {
        request.status = 404;
    } else {
        const std::string local = options_.root + request.path;
        struct stat info{};
        file.reset(::open(local.c_str(), O_RDONLY | O_CLOEXEC));
        if (file.get() >= 0 && ::fstat(file.get(), &info) == 0 && S_ISREG(info.st_mode)) {
            request.status = 200;
            fileSize = static_cast<std::uint64_t>(info.st_size);
        } else {
            request.status = 404;
        }
    }

    bool complete = true;
    char buffer[4096];
    if (request.status == 200) {
        response = responseHead(200, fileSize, contentTypeOf(request.path));
        complete = sendAll(connection.get(), response.data(), response.size());
        if (!headOnly) {
            const auto started = std::chrono::steady_clock::now();
            ssize_t got;
            while (complete && !stopping_ && (got = ::read(file.get(), buffer, sizeof buffer)) > 0) {
                complete = sendAll(connection.get(), buffer, static_cast<std::size_t>(got));
                request.bodyBytes += complete ? static_cast<std::uint64_t>(got) : 0;
                if (options_.bytesPerSecond != 0) {
                    // Each piece leaves no earlier than the rate allows.
                    const auto due = started + std::chrono::microseconds(request.bodyBytes * 1000000 /
                                                                         options_.bytesPerSecond);
                    std::this_thread::sleep_until(due);
                }
            }
        }
    } else {
        const std::string page = errorPage(request.status);
        response = responseHead(request.status, page.size(), "text/html");
        if (!headOnly) {
            response += page;
            request.bodyBytes = page.size();
        }
        complete = sendAll(connection.get(), response.data(), response.size());
    }
    // Recorded before its log line, so that a test that has waited for the
    // line finds the request among requests().
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
    }
    log_.add("%s %s -> %d, %llu bytes%s, agent \"%s\"", request.method.empty() ? "?" : request.method.c_str(),
             request.path.empty() ? request.target.c_str() : request.path.c_str(), request.status,
             static_cast<unsigned long long>(request.bodyBytes), complete ? "" : " (client went away)",
             request.userAgent.c_str());

    ::shutdown(connection.get(), SHUT_WR);
    // Let the client read everything before the socket goes away.
    pollfd readable{connection.get(), POLLIN, 0};
    if (::poll(&readable, 1, 1000) > 0) {
        ::recv(connection.get(), buffer, sizeof buffer, 0);
    }
}

}  // namespace simulator
