#pragma once
// libcurl, loaded when the first HTTP session is opened (or earlier, in the
// background, through platform::prepareHttp) instead of when the program
// starts: the library and the TLS, Kerberos and LDAP libraries it pulls in
// take some 15 ms to load and set up, which a program start would otherwise
// spend before its window shows.

#include <curl/curl.h>

namespace platform::linux_http {

// The libcurl calls the HTTP client makes.
struct CurlLibrary {
    decltype(&curl_global_init) globalInit;
    decltype(&curl_easy_init) easyInit;
    decltype(&curl_easy_cleanup) easyCleanup;
    decltype(&curl_easy_setopt) easySetopt;
    decltype(&curl_easy_getinfo) easyGetinfo;
    decltype(&curl_easy_pause) easyPause;
    decltype(&curl_multi_init) multiInit;
    decltype(&curl_multi_cleanup) multiCleanup;
    decltype(&curl_multi_add_handle) multiAddHandle;
    decltype(&curl_multi_remove_handle) multiRemoveHandle;
    decltype(&curl_multi_perform) multiPerform;
    decltype(&curl_multi_info_read) multiInfoRead;
    decltype(&curl_multi_poll) multiPoll;
};

// Loads libcurl and runs its global set-up, once per process (any thread,
// any number of times). nullptr when it cannot be loaded or set up; the
// support log says why, once.
const CurlLibrary* curlLibrary();

}  // namespace platform::linux_http
