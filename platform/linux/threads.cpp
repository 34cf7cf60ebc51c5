#include <pthread.h>

#include "platform/threads.h"

namespace platform {

namespace {

struct WorkerStart {
    WorkerProcedure procedure;
    void* argument;
};

void* runWorker(void* start) {
    const WorkerStart work = *static_cast<WorkerStart*>(start);
    delete static_cast<WorkerStart*>(start);
    work.procedure(work.argument);
    return nullptr;
}

}  // namespace

bool startWorker(WorkerProcedure procedure, void* argument) {
    auto* start = new WorkerStart{procedure, argument};
    pthread_t thread;
    if (::pthread_create(&thread, nullptr, runWorker, start) != 0) {
        delete start;
        return false;
    }
    ::pthread_detach(thread);  // workers are never joined
    return true;
}

}  // namespace platform
