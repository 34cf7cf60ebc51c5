#pragma once
// Counts how often files in a folder are opened and read, where the host
// system can tell (Linux inotify); elsewhere supported() is false.

#include <string>

namespace testsupport {

class OpenCounter {
public:
    explicit OpenCounter(const std::string& folder);
    ~OpenCounter();
    OpenCounter(const OpenCounter&) = delete;
    OpenCounter& operator=(const OpenCounter&) = delete;

    bool supported() const { return handle_ >= 0; }
    // Opens and reads of the named file seen since the counter was made.
    int opens(const std::string& name);
    int reads(const std::string& name);

private:
    void drain();
    int handle_ = -1;
    // One letter per event (o open, r read, c close), then the name. Closes are
    // watched too, or the kernel would merge repeated opens into one event.
    std::string events_;
};

}  // namespace testsupport
