// HTTP on Linux: libcurl behind the session / connection / request calls of
// the Windows client. The system's default proxy configuration is the
// environment's http_proxy (with no_proxy) where it is set, as libcurl reads
// it; else the desktop's proxy settings, through libproxy (GNOME's and KDE's
// settings, a proxy auto-configuration script), as WinHTTP's default takes
// the system's settings on Windows. The body is handed
// over through one buffer of fixed size: libcurl's write callback appends to
// it while there is room and otherwise pauses the transfer until the buffer
// has been read empty, so the bytes come out in arrival order and nothing
// piles up in memory.
//
// The Windows client's behaviour is kept where libcurl's differs:
// - time-outs: name resolution unlimited, 60 s to connect, then 30 s without
//   a received byte in any one wait for the answer or for body bytes, and
//   90 s for the answer's whole head (the request is a few hundred bytes sent
//   right after connecting, so the send limit is the same 30 s of silence).
//   libcurl has no such silence limit, and its connect limit includes name
//   resolution, so all are measured here while libcurl is driven;
// - redirects: followed only to plain HTTP, at most 10; a redirect that
//   cannot be followed leaves the request without an answer.

#include "platform/http.h"

#include "platform/linux/curl_library.h"
#include "platform/support_log.h"

#include <proxy.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// libcurl's calls; only reached once a session is open, so it is loaded.
const linux_http::CurlLibrary& curl() { return *linux_http::curlLibrary(); }

std::atomic<std::uint32_t> testTimeoutMs{0};

struct HttpObject {
    virtual ~HttpObject() = default;
};

struct Session final : HttpObject {
    std::string agent;
    std::uint32_t testTimeoutMs = 0;
};

struct Connection final : HttpObject {
    const Session* session = nullptr;
    std::string host;
    std::uint16_t port = 0;
};

// WinHTTP follows up to ten redirects by default; do the same.
constexpr long MAX_REDIRECTS = 10;
// libcurl's receive buffer: one socket read takes up to this much.
constexpr long RECEIVE_BUFFER_SIZE = 64 * 1024;
// The body bytes received and not read yet are held in this many bytes: a
// few socket reads' worth, so a read is rarely paused.
constexpr std::size_t BODY_BUFFER_SIZE = 4 * RECEIVE_BUFFER_SIZE;
// The longest one wait for socket activity lasts before libcurl is driven again.
constexpr auto POLL_INTERVAL = std::chrono::milliseconds(1000);

// Where a request stands on the way to its server; each stage has its limit.
enum class Stage {
    Resolving,   // no limit
    Connecting,  // the connect limit, from the first connection attempt
    Connected,   // the silence limit in each wait, and the head limit
};

struct Request final : HttpObject {
    CURL* easy = nullptr;
    CURLM* multi = nullptr;
    bool added = false;     // the transfer was started
    bool inMulti = false;   // and libcurl still drives it
    std::string url;
    std::string agent;

    std::chrono::milliseconds connectLimit{HTTP_CONNECT_TIMEOUT_MS};
    std::chrono::milliseconds silenceLimit{HTTP_RECEIVE_TIMEOUT_MS};
    std::chrono::milliseconds headLimit{HTTP_RESPONSE_TIMEOUT_MS};
    Stage stage = Stage::Resolving;
    Clock::time_point connectStart;
    Clock::time_point requestStart;
    Clock::time_point lastHeard;

    std::vector<char> buffer;  // body bytes received and not read yet
    std::size_t start = 0;
    std::size_t end = 0;
    bool paused = false;

    int lastStatus = 0;
    bool redirecting = false;  // the current response names another location
    bool headersComplete = false;
    bool done = false;
    CURLcode result = CURLE_OK;

    ~Request() override {
        if (inMulti) {
            curl().multiRemoveHandle(multi, easy);
        }
        if (easy != nullptr) {
            curl().easyCleanup(easy);
        }
        if (multi != nullptr) {
            curl().multiCleanup(multi);
        }
    }

    std::size_t buffered() const { return end - start; }

    // The moment the current stage runs out; max() when it has no limit.
    Clock::time_point deadline() const {
        switch (stage) {
            case Stage::Connecting: return connectStart + connectLimit;
            case Stage::Connected: {
                const Clock::time_point silenceEnd = lastHeard + silenceLimit;
                return headersComplete ? silenceEnd : std::min(silenceEnd, requestStart + headLimit);
            }
            case Stage::Resolving: break;
        }
        return Clock::time_point::max();
    }

    // Ends the transfer as libcurl ends one that timed out; the connection closes.
    void giveUp() {
        curl().multiRemoveHandle(multi, easy);
        inMulti = false;
        done = true;
        result = CURLE_OPERATION_TIMEDOUT;
    }
};

bool initialiseLibrary() { return linux_http::curlLibrary() != nullptr; }

std::string utf8(const char16_t* text) {
    std::string out;
    for (; *text != u'\0'; ++text) {
        char32_t c = *text;
        if (c >= 0xD800 && c < 0xDC00 && text[1] >= 0xDC00 && text[1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[1]) - 0xDC00);
            ++text;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// The proxy for url: the one in http_proxy is left to libcurl (proxy then
// stays empty and false is returned); else the desktop's, where "" means a
// direct connection. Tells the support log which one, once per change.
bool desktopProxyFor(const std::string& url, std::string& proxy) {
    static std::mutex lock;
    static std::string lastLine;
    std::string line;
    bool fromDesktop = false;
    const char* environment = std::getenv("http_proxy");
    if (environment != nullptr && environment[0] != '\0') {
        char shown[SUPPORT_LOG_LINE_CAPACITY];
        proxyHostAndPort(environment, shown, sizeof shown);
        line = std::string("proxy: ") + shown + " (from http_proxy)";
    } else {
        fromDesktop = true;
        // A factory per request reads the settings as they are now, as the
        // Windows client does; a run makes a handful of requests.
        pxProxyFactory* const factory = px_proxy_factory_new();
        char** proxies = factory != nullptr ? px_proxy_factory_get_proxies(factory, url.c_str()) : nullptr;
        // The first entry is the one to try; "direct://" means none.
        if (proxies != nullptr && proxies[0] != nullptr && std::strncmp(proxies[0], "direct://", 9) != 0) {
            proxy = proxies[0];
        }
        if (proxies != nullptr) {
            px_proxy_factory_free_proxies(proxies);
        }
        if (factory != nullptr) {
            px_proxy_factory_free(factory);
        }
        char shown[SUPPORT_LOG_LINE_CAPACITY];
        proxyHostAndPort(proxy.c_str(), shown, sizeof shown);
        line = std::string("proxy: ") + (proxy.empty() ? "none" : shown) + " (the desktop's settings)";
    }
    const std::lock_guard<std::mutex> guard(lock);
    if (line != lastLine) {
        lastLine = line;
        supportLog("%s", line.c_str());
    }
    return fromDesktop;
}

template <typename T>
T* objectOf(const HttpHandle& handle) {
    return dynamic_cast<T*>(reinterpret_cast<HttpObject*>(handle.native()));
}

HttpHandle own(HttpObject* object) { return HttpHandle{reinterpret_cast<std::intptr_t>(object)}; }

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) {
            return false;
        }
    }
    return true;
}

// Called for each socket libcurl opens, before it connects.
int onSocketOpened(void* context, curl_socket_t, curlsocktype purpose) {
    auto& request = *static_cast<Request*>(context);
    if (purpose == CURLSOCKTYPE_IPCXN && request.stage != Stage::Connecting) {
        request.stage = Stage::Connecting;
        request.connectStart = Clock::now();
    }
    return CURL_SOCKOPT_OK;
}

// Called once a connection stands, just before the request goes out on it.
int onConnected(void* context, char*, char*, int, int) {
    auto& request = *static_cast<Request*>(context);
    request.stage = Stage::Connected;
    request.requestStart = request.lastHeard = Clock::now();
    return CURL_PREREQFUNC_OK;
}

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* context) {
    auto& request = *static_cast<Request*>(context);
    const std::size_t length = size * count;
    request.lastHeard = Clock::now();
    if (length > request.buffer.size() - request.end && request.start != 0) {
        // Moves the unread bytes to the front to make room.
        std::memmove(request.buffer.data(), request.buffer.data() + request.start, request.buffered());
        request.end -= request.start;
        request.start = 0;
    }
    if (length > request.buffer.size() - request.end) {
        if (request.buffered() != 0) {
            request.paused = true;
            return CURL_WRITEFUNC_PAUSE;
        }
        request.buffer.resize(length);  // libcurl never hands over this much at once
    }
    std::memcpy(request.buffer.data() + request.end, data, length);
    request.end += length;
    return length;
}

std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* context) {
    auto& request = *static_cast<Request*>(context);
    const std::size_t length = size * count;
    request.lastHeard = Clock::now();
    const std::string_view line(data, length);
    if (line.starts_with("HTTP/")) {
        const std::size_t blank = line.find(' ');
        request.lastStatus = blank == std::string_view::npos ? 0 : std::atoi(std::string(line.substr(blank + 1, 3)).c_str());
        request.redirecting = false;
    } else if (startsWithIgnoringCase(line, "location:")) {
        const std::size_t value = line.find_first_not_of(" \t", 9);
        request.redirecting = request.lastStatus >= 300 && request.lastStatus < 400 && value != std::string_view::npos &&
                              line[value] != '\r' && line[value] != '\n';
    } else if ((line == "\r\n" || line == "\n") && request.lastStatus >= 200 && !request.redirecting) {
        // Informational answers (100 Continue) are followed by the real one,
        // and so are redirects that libcurl follows; a redirect it refuses
        // ends the transfer, so the request stays without an answer.
        request.headersComplete = true;
    }
    return length;
}

// Lets libcurl work until wanted() holds or the transfer has ended, or the
// current stage's time-out has run out.
template <typename Wanted>
void driveUntil(Request& request, Wanted wanted) {
    // Each wait for the server gets the whole silence allowance, as each
    // receiving call of the Windows client does.
    request.lastHeard = Clock::now();
    while (!request.done && !wanted()) {
        if (request.paused && request.buffered() == 0) {
            // Delivers what the callback refused at once.
            request.paused = false;
            curl().easyPause(request.easy, CURLPAUSE_CONT);
            continue;
        }
        int running = 0;
        if (curl().multiPerform(request.multi, &running) != CURLM_OK) {
            request.done = true;
            request.result = CURLE_FAILED_INIT;
            break;
        }
        int queued = 0;
        while (CURLMsg* message = curl().multiInfoRead(request.multi, &queued)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == request.easy) {
                request.done = true;
                request.result = message->data.result;
            }
        }
        if (request.done || wanted()) {
            break;
        }
        const Clock::time_point now = Clock::now();
        const Clock::time_point deadline = request.deadline();
        if (now >= deadline) {
            request.giveUp();
            break;
        }
        const auto wait = std::min<Clock::duration>(deadline - now, POLL_INTERVAL);
        const auto waitMs = std::chrono::ceil<std::chrono::milliseconds>(wait).count();
        curl().multiPoll(request.multi, nullptr, 0, static_cast<int>(waitMs), nullptr);
    }
}

}  // namespace

void HttpHandle::close() {
    if (native_ != 0) {
        delete reinterpret_cast<HttpObject*>(native_);
        native_ = 0;
    }
}

void prepareHttp() {
    // Joined when the program ends, so it never ends in the middle of a load.
    struct Loader {
        std::thread thread{[] { linux_http::curlLibrary(); }};
        ~Loader() { thread.join(); }
    };
    static Loader loader;
}

void setHttpTimeoutsForTests(std::uint32_t milliseconds) { testTimeoutMs = milliseconds; }

HttpHandle httpOpenSession(const char16_t* agent) {
    if (!initialiseLibrary()) {
        return {};
    }
    auto* session = new Session;
    session->agent = utf8(agent);
    session->testTimeoutMs = testTimeoutMs;
    return own(session);
}

HttpHandle httpConnect(const HttpHandle& session, const char16_t* host, std::uint16_t port) {
    const Session* owner = objectOf<Session>(session);
    if (owner == nullptr || host == nullptr || host[0] == u'\0') {
        return {};
    }
    auto* connection = new Connection;
    connection->session = owner;
    connection->host = utf8(host);
    connection->port = port;
    return own(connection);
}

HttpHandle httpOpenRequest(const HttpHandle& connection, const char16_t* verb, const char16_t* path) {
    const Connection* owner = objectOf<Connection>(connection);
    if (owner == nullptr) {
        return {};
    }
    auto* request = new Request;
    HttpHandle handle = own(request);
    request->easy = curl().easyInit();
    request->multi = curl().multiInit();
    if (request->easy == nullptr || request->multi == nullptr) {
        return {};
    }
    request->url = "http://" + owner->host + ":" + std::to_string(owner->port) + utf8(path);
    request->agent = owner->session->agent;
    request->buffer.resize(BODY_BUFFER_SIZE);
    if (const std::uint32_t limit = owner->session->testTimeoutMs; limit != 0) {
        request->connectLimit = request->silenceLimit = request->headLimit = std::chrono::milliseconds(limit);
    }

    CURL* easy = request->easy;
    bool ok = curl().easySetopt(easy, CURLOPT_URL, request->url.c_str()) == CURLE_OK;
    ok = ok && curl().easySetopt(easy, CURLOPT_CUSTOMREQUEST, utf8(verb).c_str()) == CURLE_OK;
    ok = ok && curl().easySetopt(easy, CURLOPT_USERAGENT, request->agent.c_str()) == CURLE_OK;
    ok = ok && curl().easySetopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
    ok = ok && curl().easySetopt(easy, CURLOPT_PROTOCOLS_STR, "http") == CURLE_OK;
    ok = ok && curl().easySetopt(easy, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK;
    ok = ok && curl().easySetopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http") == CURLE_OK;
    ok = ok && curl().easySetopt(easy, CURLOPT_MAXREDIRS, MAX_REDIRECTS) == CURLE_OK;
    // libcurl's connect limit would include name resolution, which has none
    // here: it is pushed out of reach and the connect limit kept by driveUntil.
    ok = ok && curl().easySetopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(INT_MAX)) == CURLE_OK;
    ok = ok && curl().easySetopt(easy, CURLOPT_SOCKOPTFUNCTION, onSocketOpened) == CURLE_OK;
    ok = ok && curl().easySetopt(easy, CURLOPT_SOCKOPTDATA, request) == CURLE_OK;
    ok = ok && curl().easySetopt(easy, CURLOPT_PREREQFUNCTION, onConnected) == CURLE_OK;
    ok = ok && curl().easySetopt(easy, CURLOPT_PREREQDATA, request) == CURLE_OK;
    ok = ok && curl().easySetopt(easy, CURLOPT_BUFFERSIZE, RECEIVE_BUFFER_SIZE) == CURLE_OK;
    ok = ok && curl().easySetopt(easy, CURLOPT_WRITEFUNCTION, onBody) == CURLE_OK;
    ok = ok && curl().easySetopt(easy, CURLOPT_WRITEDATA, request) == CURLE_OK;
    ok = ok && curl().easySetopt(easy, CURLOPT_HEADERFUNCTION, onHeader) == CURLE_OK;
    ok = ok && curl().easySetopt(easy, CURLOPT_HEADERDATA, request) == CURLE_OK;
    std::string proxy;
    if (desktopProxyFor(request->url, proxy)) {
        // An empty proxy turns off every one libcurl would take from the
        // environment on its own (all_proxy).
        ok = ok && curl().easySetopt(easy, CURLOPT_PROXY, proxy.c_str()) == CURLE_OK;
    }
    if (!ok) {
        return {};
    }
    return handle;
}

bool httpSendRequest(HttpHandle& request) {
    Request* r = objectOf<Request>(request);
    if (r == nullptr || r->added) {
        return false;
    }
    if (curl().multiAddHandle(r->multi, r->easy) != CURLM_OK) {
        return false;
    }
    r->added = true;
    r->inMulti = true;
    // libcurl sends and receives in one go; wait here for the answer's
    // headers, which is where the Windows client's next call would block.
    driveUntil(*r, [r] { return r->headersComplete; });
    if (r->headersComplete) {
        return true;
    }
    // Ended without an answer: it counts as sent when the request went out.
    long requestSize = 0;
    curl().easyGetinfo(r->easy, CURLINFO_REQUEST_SIZE, &requestSize);
    return requestSize > 0;
}

bool httpReceiveResponse(HttpHandle& request) {
    Request* r = objectOf<Request>(request);
    return r != nullptr && r->headersComplete;
}

bool httpContentLength(HttpHandle& request, std::uint64_t& length) {
    length = 0;
    Request* r = objectOf<Request>(request);
    curl_off_t announced = -1;
    if (r == nullptr || !r->headersComplete ||
        curl().easyGetinfo(r->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) != CURLE_OK || announced < 0) {
        return false;
    }
    length = static_cast<std::uint64_t>(announced);
    return true;
}

bool httpQueryDataAvailable(HttpHandle& request, std::uint32_t& available) {
    available = 0;
    Request* r = objectOf<Request>(request);
    if (r == nullptr || !r->added) {
        return false;
    }
    driveUntil(*r, [r] { return r->buffered() != 0; });
    if (r->buffered() != 0) {
        available = static_cast<std::uint32_t>(r->buffered());
        return true;
    }
    return r->result == CURLE_OK;
}

std::uint32_t httpStatusCode(HttpHandle& request) {
    const Request* r = objectOf<Request>(request);
    return r != nullptr && r->headersComplete ? static_cast<std::uint32_t>(r->lastStatus) : 0;
}

bool httpReadData(HttpHandle& request, void* buffer, std::uint32_t count, std::uint32_t& bytesRead) {
    bytesRead = 0;
    Request* r = objectOf<Request>(request);
    if (r == nullptr || !r->added) {
        return false;
    }
    if (count == 0) {
        return true;
    }
    driveUntil(*r, [r] { return r->buffered() != 0; });
    if (r->buffered() == 0) {
        return r->result == CURLE_OK;
    }
    const std::size_t length = std::min<std::size_t>(count, r->buffered());
    std::memcpy(buffer, r->buffer.data() + r->start, length);
    r->start += length;
    if (r->start == r->end) {
        r->start = r->end = 0;
    }
    bytesRead = static_cast<std::uint32_t>(length);
    return true;
}

}  // namespace platform
