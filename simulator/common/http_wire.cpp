#include "simulator/common/http_wire.h"

#include <algorithm>
#include <cctype>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

namespace httpwire {

namespace {

#ifdef _WIN32
constexpr int SEND_FLAGS = 0;
#else
constexpr int SEND_FLAGS = MSG_NOSIGNAL;
#endif

constexpr char END_OF_HEAD[] = "\r\n\r\n";

bool sameIgnoringCase(char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

}  // namespace

bool sendAll(Socket s, const char* data, std::size_t length) {
    while (length > 0) {
        // Winsock takes an int count.
        const int chunk = static_cast<int>(std::min<std::size_t>(length, 1 << 20));
        const auto sent = ::send(s, data, chunk, SEND_FLAGS);
        if (sent <= 0) {
            return false;
        }
        data += sent;
        length -= static_cast<std::size_t>(sent);
    }
    return true;
}

HeadRead readRequestHead(Socket s, std::string& head, std::size_t limit, const std::function<bool()>& waitForData) {
    char buffer[4096];
    for (;;) {
        if (head.find(END_OF_HEAD) != std::string::npos) {
            return HeadRead::Complete;
        }
        if (head.size() > limit) {
            return HeadRead::TooLong;
        }
        if (!waitForData()) {
            return HeadRead::Ended;
        }
        const auto got = ::recv(s, buffer, sizeof buffer, 0);
        if (got <= 0) {
            return HeadRead::Ended;
        }
        head.append(buffer, static_cast<std::size_t>(got));
    }
}

RequestLine parseRequestLine(const std::string& head) {
    RequestLine line;
    line.text = head.substr(0, head.find("\r\n"));
    const std::size_t firstBlank = line.text.find(' ');
    if (firstBlank == std::string::npos) {
        return line;
    }
    const std::size_t secondBlank = line.text.find(' ', firstBlank + 1);
    line.method = line.text.substr(0, firstBlank);
    line.target = line.text.substr(firstBlank + 1, secondBlank - firstBlank - 1);
    line.complete = secondBlank != std::string::npos;
    return line;
}

std::string headerValue(const std::string& head, const char* name) {
    const std::string key = std::string("\r\n") + name + ":";
    for (std::size_t at = head.find("\r\n"); at != std::string::npos; at = head.find("\r\n", at + 2)) {
        if (head.size() - at < key.size()) {
            break;
        }
        if (std::equal(key.begin(), key.end(), head.begin() + static_cast<std::ptrdiff_t>(at), sameIgnoringCase)) {
            std::size_t begin = at + key.size();
            while (begin < head.size() && (head[begin] == ' ' || head[begin] == '\t')) {
                ++begin;
            }
            return head.substr(begin, head.find("\r\n", begin) - begin);
        }
    }
    return {};
}

std::string targetPath(const std::string& target) {
    if (target.starts_with("/")) {
        return target;
    }
    const std::size_t scheme = target.find("://");
    if (scheme == std::string::npos) {
        return {};
    }
    const std::size_t slash = target.find('/', scheme + 3);
    return slash == std::string::npos ? std::string("/") : target.substr(slash);
}

std::string withoutQuery(const std::string& path) { return path.substr(0, path.find('?')); }

const char* reasonPhrase(int status) {
    switch (status) {
        case 200: return "OK";
        case 301: return "Moved Permanently";
        case 302: return "Found";
        case 307: return "Temporary Redirect";
        case 400: return "Bad Request";
        case 403: return "Forbidden";
        case 404: return "Not Found";
        case 405: return "Method Not Allowed";
        case 500: return "Internal Server Error";
        case 503: return "Service Unavailable";
        default: return "Status";
    }
}

std::string responseHead(int status, const std::vector<Header>& headers) {
    std::string head = "HTTP/1.1 " + std::to_string(status) + " " + reasonPhrase(status) + "\r\n";
    for (const Header& header : headers) {
        head += std::string(header.name) + ": " + header.value + "\r\n";
    }
    head += "Connection: close\r\n\r\n";
    return head;
}

}  // namespace httpwire
