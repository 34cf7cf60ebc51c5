#include "tests/support/open_counter.h"

#ifdef __linux__
#include <sys/inotify.h>
#include <unistd.h>
#endif

#include <sstream>

namespace testsupport {

#ifdef __linux__

OpenCounter::OpenCounter(const std::string& folder) {
    handle_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (handle_ >= 0 && inotify_add_watch(handle_, folder.c_str(), IN_OPEN | IN_ACCESS | IN_CLOSE) < 0) {
        close(handle_);
        handle_ = -1;
    }
}

OpenCounter::~OpenCounter() {
    if (handle_ >= 0) {
        close(handle_);
    }
}

void OpenCounter::drain() {
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = read(handle_, buffer, sizeof buffer);
        if (n <= 0) {
            return;
        }
        for (ssize_t offset = 0; offset < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            const std::string name = event->len > 0 ? std::string(event->name) : std::string();
            if (event->mask & IN_OPEN) {
                events_ += "o" + name + "\n";
            }
            if (event->mask & IN_ACCESS) {
                events_ += "r" + name + "\n";
            }
            if (event->mask & IN_CLOSE) {
                events_ += "c" + name + "\n";
            }
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

#else

OpenCounter::OpenCounter(const std::string&) {}
OpenCounter::~OpenCounter() = default;
void OpenCounter::drain() {}

#endif

namespace {

int countLines(const std::string& events, const std::string& line) {
    std::istringstream in(events);
    int count = 0;
    for (std::string entry; std::getline(in, entry);) {
        count += entry == line ? 1 : 0;
    }
    return count;
}

}  // namespace

int OpenCounter::opens(const std::string& name) {
    drain();
    return countLines(events_, "o" + name);
}

int OpenCounter::reads(const std::string& name) {
    drain();
    return countLines(events_, "r" + name);
}

}  // namespace testsupport
