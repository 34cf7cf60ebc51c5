#pragma once
// Threads and time group of the platform layer.

#include <cstdint>

namespace platform {

using WorkerProcedure = void (*)(void* argument);

// Starts a detached worker thread that runs procedure(argument) at once.
// Workers are never joined. False when the thread cannot be created.
bool startWorker(WorkerProcedure procedure, void* argument);

// The calling thread waits for the given number of milliseconds.
void sleepMilliseconds(std::uint32_t milliseconds);

// Milliseconds since some fixed moment, never going back: for spacing events
// in time, not for telling the time of day.
std::uint64_t monotonicMilliseconds();

}  // namespace platform
