#include "platform/linux/curl_library.h"

#include "platform/support_log.h"

#include <dlfcn.h>

#include <mutex>

namespace platform::linux_http {

namespace {

// The library the client is built against (libcurl4), then the same
// interface built over GnuTLS (libcurl3-gnutls), which a system may have
// instead.
constexpr const char* LIBRARY_NAMES[] = {"libcurl.so.4", "libcurl-gnutls.so.4"};

template <typename Function>
bool bind(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(::dlsym(library, name));
    return function != nullptr;
}

bool bindAll(void* library, CurlLibrary& curl) {
    return bind(library, "curl_global_init", curl.globalInit) && bind(library, "curl_easy_init", curl.easyInit) &&
           bind(library, "curl_easy_cleanup", curl.easyCleanup) &&
           bind(library, "curl_easy_setopt", curl.easySetopt) &&
           bind(library, "curl_easy_getinfo", curl.easyGetinfo) &&
           bind(library, "curl_easy_pause", curl.easyPause) && bind(library, "curl_multi_init", curl.multiInit) &&
           bind(library, "curl_multi_cleanup", curl.multiCleanup) &&
           bind(library, "curl_multi_add_handle", curl.multiAddHandle) &&
           bind(library, "curl_multi_remove_handle", curl.multiRemoveHandle) &&
           bind(library, "curl_multi_perform", curl.multiPerform) &&
           bind(library, "curl_multi_info_read", curl.multiInfoRead) &&
           bind(library, "curl_multi_poll", curl.multiPoll);
}

const CurlLibrary* load() {
    static CurlLibrary curl;
    void* library = nullptr;
    for (const char* name : LIBRARY_NAMES) {
        library = ::dlopen(name, RTLD_NOW | RTLD_LOCAL);
        if (library != nullptr) {
            break;
        }
    }
    if (library == nullptr) {
        const char* reason = ::dlerror();
        supportLog("http: libcurl could not be loaded (%s)", reason != nullptr ? reason : "no reason given");
        return nullptr;
    }
    // The library stays loaded until the process ends.
    if (!bindAll(library, curl)) {
        supportLog("http: the libcurl found lacks a call this program needs (version 7.85 or later is)");
        return nullptr;
    }
    if (curl.globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        supportLog("http: libcurl could not be set up");
        return nullptr;
    }
    return &curl;
}

}  // namespace

const CurlLibrary* curlLibrary() {
    static std::once_flag once;
    static const CurlLibrary* loaded = nullptr;
    std::call_once(once, [] { loaded = load(); });
    return loaded;
}

}  // namespace platform::linux_http
