#include <windows.h>

#include "platform/threads.h"

namespace platform {

namespace {

struct WorkerStart {
    WorkerProcedure procedure;
    void* argument;
};

DWORD WINAPI runWorker(LPVOID start) {
    const WorkerStart work = *static_cast<WorkerStart*>(start);
    delete static_cast<WorkerStart*>(start);
    work.procedure(work.argument);
    return 0;
}

}  // namespace

bool startWorker(WorkerProcedure procedure, void* argument) {
    auto* start = new WorkerStart{procedure, argument};
    HANDLE thread = ::CreateThread(nullptr, 0, runWorker, start, 0, nullptr);
    if (thread == nullptr) {
        delete start;
        return false;
    }
    ::CloseHandle(thread);  // workers are never joined
    return true;
}

}  // namespace platform
