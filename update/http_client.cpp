// httpGet over the platform's HTTP client. Everything a call opens is owned
// by a handle object declared in opening order, so on every path the request,
// then the connection, then the session and last the local file are closed.

#include "update/http_client.h"

#include "platform/files.h"
#include "platform/http.h"
#include "platform/support_log.h"
#include "platform/threads.h"

#include <cstdio>
#include <limits>

#ifndef ONDAVOX_UPDATE_HOST
#error "ONDAVOX_UPDATE_HOST must name the update server"
#endif

namespace update {

FileGatherBuffer fileGatherBuffer;

const char16_t* const UPDATE_SERVER_HOST = u"" ONDAVOX_UPDATE_HOST;

namespace {

constexpr char16_t GET_VERB[] = u"GET";

std::uint64_t fileModeLimit = FILE_MODE_LIMIT;

struct RequestSource {
    platform::HttpHandle& request;
    bool queryDataAvailable(std::uint32_t& available) { return platform::httpQueryDataAvailable(request, available); }
    bool readData(void* buffer, std::uint32_t count, std::uint32_t& bytesRead) {
        return platform::httpReadData(request, buffer, count, bytesRead);
    }
};

struct FileSink {
    platform::File& file;
    const ProgressSink& progress;
    std::uint64_t total;         // the announced length, 0 when none
    std::uint64_t written = 0;   // bytes whose write completed
    bool write(const void* data, std::uint32_t length, std::uint32_t& bytesWritten) {
        const bool ok = platform::writeFile(file, data, length, bytesWritten);
        written += bytesWritten < length ? bytesWritten : length;
        progress(written, total);
        return ok;
    }
};

// Joins folder and fileName; false when they do not fit the path buffer.
bool joinRequestPath(const char16_t* folder, const char16_t* fileName,
                     char16_t (&path)[REQUEST_PATH_CAPACITY]) {
    std::size_t length = 0;
    for (const char16_t* part : {folder, fileName}) {
        for (; *part != u'\0'; ++part) {
            if (length + 1 >= REQUEST_PATH_CAPACITY) {
                return false;
            }
            path[length++] = *part;
        }
    }
    path[length] = u'\0';
    return true;
}

// A body above 2^31 - 1 bytes cannot be told as a positive 32-bit count; it
// is reported as the largest one rather than as a negative or wrapped number.
std::int32_t resultOf(std::uint64_t total) {
    constexpr auto LARGEST = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(total > LARGEST ? LARGEST : total);
}

// The whole fetch; everything it opens is closed when it returns. overLimit
// tells that a file-mode body went on past fileModeLimit.
std::int32_t fetch(const char16_t* folder, const char16_t* fileName, std::uint32_t capacity, void* destination,
                   bool toFile, const ProgressSink& progress, bool& overLimit, std::uint32_t& status) {
    platform::File file;
    if (toFile) {
        file = platform::createEmptyForWriting(static_cast<const char*>(destination));
        if (!file.isOpen()) {
            return -1;
        }
    }

    platform::HttpHandle session = platform::httpOpenSession(USER_AGENT);
    if (!session.isOpen()) {
        return -1;
    }
    platform::HttpHandle connection = platform::httpConnect(session, UPDATE_SERVER_HOST, UPDATE_SERVER_PORT);
    if (!connection.isOpen()) {
        return -1;
    }
    char16_t path[REQUEST_PATH_CAPACITY];
    if (!joinRequestPath(folder, fileName, path)) {
        return -1;
    }
    platform::HttpHandle request = platform::httpOpenRequest(connection, GET_VERB, path);
    if (!request.isOpen()) {
        return -1;
    }
    if (!platform::httpSendRequest(request)) {
        return -1;
    }
    if (!platform::httpReceiveResponse(request)) {
        return 0;
    }
    status = platform::httpStatusCode(request);

    RequestSource source{request};
    if (toFile) {
        std::uint64_t total = 0;
        if (!platform::httpContentLength(request, total)) {
            total = 0;
        }
        progress(0, total);
        FileSink sink{file, progress, total};
        const FileTransfer transfer = transferToFile(source, sink, fileModeLimit);
        overLimit = transfer.overLimit;
        return resultOf(transfer.received);
    }
    return resultOf(transferToMemory(source, static_cast<std::uint8_t*>(destination), capacity));
}

// The request's address for the log: the server and the path as ASCII, any
// other character shown as '?'.
void describeRequest(const char16_t* folder, const char16_t* fileName, char (&text)[2 * REQUEST_PATH_CAPACITY]) {
    std::size_t length = 0;
    auto append = [&](const char16_t* part) {
        for (; *part != u'\0' && length + 1 < sizeof text; ++part) {
            text[length++] = *part >= 0x20 && *part < 0x7F ? static_cast<char>(*part) : '?';
        }
    };
    append(u"http://");
    append(UPDATE_SERVER_HOST);
    char port[8];
    std::snprintf(port, sizeof port, ":%u", static_cast<unsigned>(UPDATE_SERVER_PORT));
    for (const char* c = port; *c != '\0' && length + 1 < sizeof text; ++c) {
        text[length++] = *c;
    }
    append(folder);
    append(fileName);
    text[length] = '\0';
}

}  // namespace

std::int32_t httpGet(const char16_t* folder, const char16_t* fileName, std::uint32_t capacity, void* destination,
                     bool toFile, const ProgressSink& progress) {
    const std::uint64_t started = platform::monotonicMilliseconds();
    bool overLimit = false;
    std::uint32_t status = 0;
    const std::int32_t result = fetch(folder, fileName, capacity, destination, toFile, progress, overLimit, status);
    const auto took = static_cast<unsigned long long>(platform::monotonicMilliseconds() - started);
    char address[2 * REQUEST_PATH_CAPACITY];
    describeRequest(folder, fileName, address);
    if (result < 0) {
        platform::supportLog("GET %s: not sent (%llu ms)", address, took);
    } else if (status == 0) {
        platform::supportLog("GET %s: no answer (%llu ms)", address, took);
    } else {
        platform::supportLog("GET %s: status %u, %ld bytes%s (%llu ms)", address, static_cast<unsigned>(status),
                             static_cast<long>(result), overLimit ? ", over the size limit and dropped" : "", took);
    }
    if (overLimit) {
        // Gigabytes that can never be installed are not left in the
        // temporary folder, which nothing ever cleans up.
        platform::createEmptyForWriting(static_cast<const char*>(destination));
        return 0;
    }
    return result;
}

void setFileModeLimitForTests(std::uint64_t bytes) { fileModeLimit = bytes != 0 ? bytes : FILE_MODE_LIMIT; }

}  // namespace update
