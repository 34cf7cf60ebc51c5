#pragma once
// A log of what a simulator saw and did: one timestamped line per event,
// written to a file (when one is given) and to standard output as it
// happens, and kept in memory so an in-process test can wait for a line.

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace simulator {

class EventLog {
public:
    EventLog() = default;
    ~EventLog();
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    // Starts writing to path (emptied first). False when it cannot be opened.
    bool openFile(const std::string& path);
    // Whether lines are echoed to standard output (on by default).
    void echo(bool on) { echo_ = on; }

    [[gnu::format(printf, 2, 3)]] void add(const char* format, ...);

    // All lines so far, without their timestamps.
    std::vector<std::string> lines() const;
    // Waits until a line containing fragment has been added (also one added
    // before the call). False when timeout passes first.
    bool waitFor(const std::string& fragment, std::chrono::milliseconds timeout) const;
    // How many lines so far contain fragment.
    int count(const std::string& fragment) const;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable added_;
    std::vector<std::string> lines_;
    std::FILE* file_ = nullptr;
    bool echo_ = true;
};

}  // namespace simulator
