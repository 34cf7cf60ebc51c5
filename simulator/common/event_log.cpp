#include "simulator/common/event_log.h"

#include <sys/time.h>

#include <cstdarg>
#include <ctime>

namespace simulator {

namespace {

// "2024-05-17 14:03:27.481": local time with milliseconds.
std::string timestamp() {
    timeval now{};
    ::gettimeofday(&now, nullptr);
    std::tm local{};
    ::localtime_r(&now.tv_sec, &local);
    char text[40];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(text + length, sizeof text - length, ".%03ld", static_cast<long>(now.tv_usec / 1000));
    return text;
}

}  // namespace

EventLog::~EventLog() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool EventLog::openFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) {
        return false;
    }
    std::lock_guard lock(mutex_);
    if (file_ != nullptr) {
        std::fclose(file_);
    }
    file_ = file;
    return true;
}

void EventLog::add(const char* format, ...) {
    char text[2048];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);

    const std::string line = timestamp() + " " + text;
    {
        std::lock_guard lock(mutex_);
        lines_.emplace_back(text);
        if (file_ != nullptr) {
            std::fprintf(file_, "%s\n", line.c_str());
            std::fflush(file_);
        }
        if (echo_) {
            std::printf("%s\n", line.c_str());
            std::fflush(stdout);
        }
    }
    added_.notify_all();
}

std::vector<std::string> EventLog::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

bool EventLog::waitFor(const std::string& fragment, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    std::size_t checked = 0;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        for (; checked < lines_.size(); ++checked) {
            if (lines_[checked].find(fragment) != std::string::npos) {
                return true;
            }
        }
        if (added_.wait_until(lock, deadline) == std::cv_status::timeout && checked == lines_.size()) {
            return false;
        }
    }
}

int EventLog::count(const std::string& fragment) const {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const std::string& line : lines_) {
        n += line.find(fragment) != std::string::npos ? 1 : 0;
    }
    return n;
}

}  // namespace simulator
