#pragma once
// Power group of the platform layer: asking the computer not to sleep or shut
// down while the radio is written, since either would cut the write off as a
// kill does.

namespace platform {

// Holds off sleep and shutdown from its construction until release() or its
// end. Where the system has no such service, or refuses, it holds nothing and
// the work goes on (held() says which). On Windows the request belongs to the
// calling thread: construct, release and destroy it on one thread.
class SleepInhibitor {
public:
    // why: a short sentence for the system to show to the user.
    explicit SleepInhibitor(const char* why);
    ~SleepInhibitor();
    SleepInhibitor(const SleepInhibitor&) = delete;
    SleepInhibitor& operator=(const SleepInhibitor&) = delete;

    bool held() const { return handle_ >= 0; }
    // Lets the system sleep and shut down again; later calls do nothing.
    void release();

private:
    // Linux: the lock's descriptor; Windows: 0 while the request stands;
    // -1 when nothing is held.
    int handle_ = -1;
};

}  // namespace platform
