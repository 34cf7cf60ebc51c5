#pragma once
// HTTP/1.1 on the wire, as the two local servers speak it: the simulator's
// update server and the tests' loopback server (tests/support). Reading a
// request head off a socket, taking its request line, target and headers
// apart, and writing a response head. Plain functions over BSD sockets or
// Winsock; each server keeps its own connection handling.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace httpwire {

#ifdef _WIN32
using Socket = std::uintptr_t;  // Winsock's SOCKET
#else
using Socket = int;
#endif

// Sends all of data; false when the connection broke. A peer that has gone
// away raises no signal.
bool sendAll(Socket s, const char* data, std::size_t length);
inline bool sendText(Socket s, const std::string& text) { return sendAll(s, text.data(), text.size()); }

enum class HeadRead {
    Complete,  // head ends with the blank line that closes a request head
    TooLong,   // more than the limit arrived without that line
    Ended,     // the peer hung up, or waitForData gave up
};

// Reads from s into head until it holds the end of a request head. Before
// each read, waitForData is asked whether data is there to read; false ends
// the reading (nothing came in time, or the server is stopping).
HeadRead readRequestHead(Socket s, std::string& head, std::size_t limit, const std::function<bool()>& waitForData);

// The first line of a request head, split at its first two blanks.
struct RequestLine {
    std::string text;       // the whole line
    std::string method;     // up to the first blank
    std::string target;     // between the blanks; without a second blank, the rest of the line
    bool complete = false;  // both blanks are there
};
RequestLine parseRequestLine(const std::string& head);

// The value of header name (matched regardless of case) in head, without
// the blanks and tabs before it; empty when head has no such header.
std::string headerValue(const std::string& head, const char* name);

// The path of an origin-form target ("/a/b?q") or of an absolute-form one,
// which a proxy receives ("http://host:80/a/b?q"): the target without scheme
// and authority, its query kept; "/" for an authority without a path. Empty
// for any other target.
std::string targetPath(const std::string& target);
// path without its query ("?..." and what follows).
std::string withoutQuery(const std::string& path);

// The reason phrase the servers send with status.
const char* reasonPhrase(int status);

struct Header {
    const char* name;
    std::string value;
};
// The status line with its reason phrase, the headers in the order given,
// "Connection: close" (each answer closes its connection) and the blank line.
std::string responseHead(int status, const std::vector<Header>& headers);

}  // namespace httpwire
