#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <thread>

#include "device/device_write_guard.h"
#include "program/cli/exit_codes.h"
#include "program/cli/system.h"

namespace cli {

namespace {

// Signals are taken by a thread of their own with sigwait, so ending the
// device's writes (a lock) never runs inside a signal handler.
void waitForEndingSignal(sigset_t signals, const char* interruptedLine) {
    int received = 0;
    while (sigwait(&signals, &received) != 0) {
    }
    // The line was made at the start; write(2) needs no lock and no memory.
    const ssize_t written = write(STDERR_FILENO, interruptedLine, std::strlen(interruptedLine));
    static_cast<void>(written);  // nothing to do when standard error is gone
    device::endDeviceWrites();
    std::fflush(stdout);
    _exit(received == SIGTERM ? EXIT_TERMINATED : EXIT_INTERRUPTED);
}

std::size_t lengthWithoutSeparator(const char* path) {
    std::size_t length = std::strlen(path);
    while (length > 1 && path[length - 1] == '/') {
        --length;
    }
    return length;
}

}  // namespace

bool standardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void endOnInterruptAfterDeviceWrites(const char* interruptedLine) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    // Blocked before any other thread starts, so every thread inherits it and
    // only the waiting thread receives them.
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread(waitForEndingSignal, signals, interruptedLine).detach();
}

void writeForPeople(std::FILE* stream, const char* text) {
    std::fputs(text, stream);
    std::fflush(stream);
}

bool sameRootPath(const char* left, const char* right) {
    const std::size_t length = lengthWithoutSeparator(left);
    return length == lengthWithoutSeparator(right) && std::strncmp(left, right, length) == 0;
}

void useBinaryStandardStreams() {}

}  // namespace cli
