#pragma once
// A one-way gate between test threads: closed until opened, then open for
// good. Threads meet at events rather than at fixed sleeps.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace testsupport {

class Gate {
public:
    void open() {
        {
            const std::lock_guard<std::mutex> hold(lock_);
            open_ = true;
        }
        opened_.notify_all();
    }

    void wait() {
        std::unique_lock<std::mutex> hold(lock_);
        opened_.wait(hold, [this] { return open_; });
    }

    // False when the gate stayed closed for the whole timeout.
    bool waitFor(std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> hold(lock_);
        return opened_.wait_for(hold, timeout, [this] { return open_; });
    }

    bool isOpen() {
        const std::lock_guard<std::mutex> hold(lock_);
        return open_;
    }

private:
    std::mutex lock_;
    std::condition_variable opened_;
    bool open_ = false;
};

}  // namespace testsupport
