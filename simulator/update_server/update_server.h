#pragma once
// A local stand-in for the vendor's update server: serves the files below a
// root folder to plain HTTP/1.1 GET (and HEAD) requests on 127.0.0.1. It
// takes requests in origin form ("GET /firmware/latest/version.info") and in
// the absolute form a proxy receives ("GET http://host:80/firmware/...");
// the utility reaches it through http_proxy. Every request is logged with
// its path and User-Agent. Missing files get 404.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "simulator/common/event_log.h"

namespace simulator {

struct ServedRequest {
    std::string method;
    std::string target;  // as sent
    std::string path;    // the target without scheme, authority and query
    std::string host;    // the Host header
    std::string userAgent;
    int status = 0;
    std::uint64_t bodyBytes = 0;
};

struct UpdateServerOptions {
    std::string root;     // the folder served as "/"
    std::uint16_t port = 0;  // 0: any free port
    std::string logFile;  // empty: no log file
    bool echo = true;     // log lines also go to standard output
    // The most body bytes per second each answer is sent at, as over a slow
    // line; 0: as fast as the connection takes them.
    std::uint64_t bytesPerSecond = 0;
};

class UpdateServer {
public:
    explicit UpdateServer(UpdateServerOptions options);
    ~UpdateServer();  // stops
    UpdateServer(const UpdateServer&) = delete;
    UpdateServer& operator=(const UpdateServer&) = delete;

    // Listens and serves in a thread of its own. False, with error set, when
    // the root is no folder or the port cannot be taken.
    bool start(std::string& error);
    void stop();

    std::uint16_t port() const { return port_; }
    // "http://127.0.0.1:<port>", the value for http_proxy.
    std::string proxyUrl() const;
    // The requests answered so far. One is recorded once its answer has been
    // sent, which may be after the client has read all of it: wait for its
    // line in log() first.
    std::vector<ServedRequest> requests() const;
    const EventLog& log() const { return log_; }

private:
    void acceptLoop();
    void serve(int connection);

    UpdateServerOptions options_;
    EventLog log_;
    int listener_ = -1;
    int wake_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<ServedRequest> requests_;
    std::vector<std::thread> connections_;
};

}  // namespace simulator
