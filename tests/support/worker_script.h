#pragma once
// Substitute for starting worker threads: records each start instead of
// running it, and can be told to refuse, as when no thread can be created.
// Tasks are then run by the test itself, on its own thread, when it wants.

#include <vector>

#include "platform/threads.h"

namespace testsupport {

struct WorkerStart {
    platform::WorkerProcedure procedure;
    void* argument;
};

// Forgets the recorded starts; refuse makes every following start fail.
void scriptWorkers(bool refuse = false);
const std::vector<WorkerStart>& recordedWorkerStarts();

}  // namespace testsupport
