#include "tests/support/worker_script.h"

namespace testsupport {

namespace {

std::vector<WorkerStart> starts;
bool refusing = false;

}  // namespace

void scriptWorkers(bool refuse) {
    starts.clear();
    refusing = refuse;
}

const std::vector<WorkerStart>& recordedWorkerStarts() {
    return starts;
}

}  // namespace testsupport

namespace platform {

bool startWorker(WorkerProcedure procedure, void* argument) {
    if (testsupport::refusing) {
        return false;
    }
    testsupport::starts.push_back({procedure, argument});
    return true;
}

}  // namespace platform
