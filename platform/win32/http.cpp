// HTTP on Windows: WinHTTP, synchronous, with the default proxy configuration
// and WinHTTP's own default time-outs, which are the ones platform/http.h
// names. Only the 90 s wait for an answer's head is set explicitly (Wine has
// none by default); tests may ask for shorter limits.

#include "platform/http.h"

#include "platform/support_log.h"

#include <windows.h>
#include <winhttp.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace platform {

namespace {

std::atomic<std::uint32_t> testTimeoutMs{0};

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the core's wide texts are passed to WinHTTP as they are");

const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

HINTERNET internetOf(const HttpHandle& handle) { return reinterpret_cast<HINTERNET>(handle.native()); }

HttpHandle own(HINTERNET internet) { return HttpHandle{reinterpret_cast<std::intptr_t>(internet)}; }

// Tells the support log the system's default proxy for plain HTTP, once per
// change. The setting is a list ("http=host:port;https=...") or one address
// for every scheme; only its host and port are written.
void logDefaultProxy() {
    static std::mutex lock;
    static char lastLine[SUPPORT_LOG_LINE_CAPACITY];
    char address[SUPPORT_LOG_LINE_CAPACITY] = "";
    WINHTTP_PROXY_INFO info{};
    if (::WinHttpGetDefaultProxyConfiguration(&info)) {
        if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && info.lpszProxy != nullptr) {
            std::snprintf(address, sizeof address, "%ls", info.lpszProxy);
        }
        if (info.lpszProxy != nullptr) ::GlobalFree(info.lpszProxy);
        if (info.lpszProxyBypass != nullptr) ::GlobalFree(info.lpszProxyBypass);
    }
    const char* entry = address;
    if (const char* http = std::strstr(address, "http="); http != nullptr) {
        entry = http + 5;
    } else if (std::strchr(address, '=') != nullptr) {
        entry = "";  // a list without an entry for plain HTTP
    }
    char kept[SUPPORT_LOG_LINE_CAPACITY];
    std::snprintf(kept, sizeof kept, "%.*s", static_cast<int>(std::strcspn(entry, "; ")), entry);
    char shown[SUPPORT_LOG_LINE_CAPACITY];
    proxyHostAndPort(kept, shown, sizeof shown);
    char line[SUPPORT_LOG_LINE_CAPACITY];
    std::snprintf(line, sizeof line, "proxy: %s (the system's default)", shown[0] != '\0' ? shown : "none");
    const std::lock_guard<std::mutex> guard(lock);
    if (std::strcmp(line, lastLine) != 0) {
        std::snprintf(lastLine, sizeof lastLine, "%s", line);
        supportLog("%s", line);
    }
}

}  // namespace

void HttpHandle::close() {
    if (native_ != 0) {
        ::WinHttpCloseHandle(reinterpret_cast<HINTERNET>(native_));
        native_ = 0;
    }
}

// WinHTTP is part of the system and loaded with the program.
void prepareHttp() {}

void setHttpTimeoutsForTests(std::uint32_t milliseconds) { testTimeoutMs = milliseconds; }

HttpHandle httpOpenSession(const char16_t* agent) {
    HttpHandle session = own(::WinHttpOpen(wide(agent), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                           WINHTTP_NO_PROXY_BYPASS, 0));
    DWORD limit = testTimeoutMs;
    if (session.isOpen()) {
        logDefaultProxy();
    }
    if (session.isOpen() && limit == 0) {
        // Windows waits at most 90 s for an answer's head by default; Wine's
        // WinHTTP waits without end unless asked, so the same limit is set
        // explicitly. A host that cannot take it keeps its own default.
        DWORD responseLimit = 90000;
        ::WinHttpSetOption(internetOf(session), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseLimit,
                           sizeof responseLimit);
    }
    if (session.isOpen() && limit != 0) {
        // Every limit WinHTTP has, the wait for the whole answer head included
        // (90 s by default; Wine's WinHTTP has none unless it is set).
        const int each = static_cast<int>(limit);
        if (!::WinHttpSetTimeouts(internetOf(session), 0, each, each, each) ||
            !::WinHttpSetOption(internetOf(session), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &limit, sizeof limit)) {
            return {};
        }
    }
    return session;
}

HttpHandle httpConnect(const HttpHandle& session, const char16_t* host, std::uint16_t port) {
    return own(::WinHttpConnect(internetOf(session), wide(host), port, 0));
}

HttpHandle httpOpenRequest(const HttpHandle& connection, const char16_t* verb, const char16_t* path) {
    return own(::WinHttpOpenRequest(internetOf(connection), wide(verb), wide(path), nullptr, WINHTTP_NO_REFERER,
                                    WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
}

bool httpSendRequest(HttpHandle& request) {
    return ::WinHttpSendRequest(internetOf(request), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                                0) != FALSE;
}

bool httpReceiveResponse(HttpHandle& request) {
    return ::WinHttpReceiveResponse(internetOf(request), nullptr) != FALSE;
}

bool httpContentLength(HttpHandle& request, std::uint64_t& length) {
    length = 0;
    wchar_t digits[32] = {};
    DWORD size = sizeof digits - sizeof digits[0];
    if (!::WinHttpQueryHeaders(internetOf(request), WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX,
                               digits, &size, WINHTTP_NO_HEADER_INDEX)) {
        return false;
    }
    // Only a plain decimal number counts; anything else is no announced length.
    std::uint64_t value = 0;
    int count = 0;
    for (const wchar_t* digit = digits; *digit != L'\0'; ++digit, ++count) {
        if (*digit < L'0' || *digit > L'9' || count >= 19) {
            return false;
        }
        value = value * 10 + static_cast<std::uint64_t>(*digit - L'0');
    }
    if (count == 0) {
        return false;
    }
    length = value;
    return true;
}

bool httpQueryDataAvailable(HttpHandle& request, std::uint32_t& available) {
    DWORD count = 0;
    const BOOL ok = ::WinHttpQueryDataAvailable(internetOf(request), &count);
    available = count;
    return ok != FALSE;
}

std::uint32_t httpStatusCode(HttpHandle& request) {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!::WinHttpQueryHeaders(internetOf(request), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                               WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
        return 0;
    }
    return status;
}

bool httpReadData(HttpHandle& request, void* buffer, std::uint32_t count, std::uint32_t& bytesRead) {
    DWORD read = 0;
    const BOOL ok = ::WinHttpReadData(internetOf(request), buffer, count, &read);
    bytesRead = read;
    return ok != FALSE;
}

}  // namespace platform
