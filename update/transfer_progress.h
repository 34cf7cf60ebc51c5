#pragma once
// How far a long step of an update has come (the image's download, its copy
// onto the device), told to whoever shows it. The engine knows nothing of
// dialogs: it calls the sink on the thread that runs the step, after each
// block it has written, with the bytes done so far and the total (0 when the
// total is not known, as for a body sent without a length). It is called
// often (every 64 KiB of a download), so a sink that shows something spaces
// its updates itself.

#include <cstdint>

namespace update {

struct ProgressSink {
    void (*report)(void* context, std::uint64_t done, std::uint64_t total) = nullptr;
    void* context = nullptr;

    void operator()(std::uint64_t done, std::uint64_t total) const {
        if (report != nullptr) {
            report(context, done, total);
        }
    }
};

}  // namespace update
