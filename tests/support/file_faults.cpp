#include "tests/support/file_faults.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>

#include "platform/files.h"

// The wrapped calls carry their linker names: --wrap=X sends the program's
// calls of X to __wrap_X, and __real_X reaches the real X. A std::uint64_t is
// unsigned long on Linux and unsigned long long on Windows, hence two names
// for setFileLength.
#ifdef _WIN32
#define ONDAVOX_SET_FILE_LENGTH "_ZN8platform13setFileLengthERNS_4FileEy"
#else
#define ONDAVOX_SET_FILE_LENGTH "_ZN8platform13setFileLengthERNS_4FileEm"
#endif

namespace testsupport {

using platform::File;

File realOpenDeviceFileForReading(const char*) asm("__real__ZN8platform24openDeviceFileForReadingEPKc");
File realOpenExistingForReading(const char*) asm("__real__ZN8platform22openExistingForReadingEPKc");
File realOpenExistingForWriting(const char*) asm("__real__ZN8platform22openExistingForWritingEPKc");
File realCreateEmptyForWriting(const char*) asm("__real__ZN8platform21createEmptyForWritingEPKc");
bool realReadFile(File&, void*, std::uint32_t, std::uint32_t&) asm("__real__ZN8platform8readFileERNS_4FileEPvjRj");
bool realWriteFile(File&, const void*, std::uint32_t,
                   std::uint32_t&) asm("__real__ZN8platform9writeFileERNS_4FileEPKvjRj");
bool realFlushFile(File&) asm("__real__ZN8platform9flushFileERNS_4FileE");
bool realSetFileLength(File&, std::uint64_t) asm("__real_" ONDAVOX_SET_FILE_LENGTH);
bool realCloseFile(File&) asm("__real__ZN8platform9closeFileERNS_4FileE");

File wrapOpenDeviceFileForReading(const char*) asm("__wrap__ZN8platform24openDeviceFileForReadingEPKc");
File wrapOpenExistingForReading(const char*) asm("__wrap__ZN8platform22openExistingForReadingEPKc");
File wrapOpenExistingForWriting(const char*) asm("__wrap__ZN8platform22openExistingForWritingEPKc");
File wrapCreateEmptyForWriting(const char*) asm("__wrap__ZN8platform21createEmptyForWritingEPKc");
bool wrapReadFile(File&, void*, std::uint32_t, std::uint32_t&) asm("__wrap__ZN8platform8readFileERNS_4FileEPvjRj");
bool wrapWriteFile(File&, const void*, std::uint32_t,
                   std::uint32_t&) asm("__wrap__ZN8platform9writeFileERNS_4FileEPKvjRj");
bool wrapFlushFile(File&) asm("__wrap__ZN8platform9flushFileERNS_4FileE");
bool wrapSetFileLength(File&, std::uint64_t) asm("__wrap_" ONDAVOX_SET_FILE_LENGTH);
bool wrapCloseFile(File&) asm("__wrap__ZN8platform9closeFileERNS_4FileE");

namespace {

struct OpenFile {
    std::string path;
    bool forWriting = false;
};

struct State {
    // Workers may make file calls on several threads: the log and the table
    // of open handles change under this lock.
    std::mutex lock;
    std::function<void(const FileCall&)> observer;
    std::vector<FileCall> calls;
    std::map<std::intptr_t, OpenFile> open;  // by native handle
    int armedCall = 0;
    FileFault armedFault = FileFault::Fail;
};

State& state() {
    static State s;
    return s;
}

// Logs the call; true when it is the armed one.
bool record(FileOperation operation, const std::string& path, bool forWriting) {
    State& s = state();
    const FileCall call{operation, path, forWriting};
    bool armed = false;
    std::function<void(const FileCall&)> observer;
    {
        const std::lock_guard<std::mutex> hold(s.lock);
        s.calls.push_back(call);
        armed = static_cast<int>(s.calls.size()) == s.armedCall;
        observer = s.observer;
    }
    if (observer) {
        observer(call);  // may hold this thread before the call goes on
    }
    return armed;
}

OpenFile openFileOf(const File& file) {
    State& s = state();
    const std::lock_guard<std::mutex> hold(s.lock);
    const auto it = s.open.find(file.native());
    return it != s.open.end() ? it->second : OpenFile{"(not opened through the platform)", false};
}

void forgetOpenFile(const File& file) {
    State& s = state();
    const std::lock_guard<std::mutex> hold(s.lock);
    s.open.erase(file.native());
}

File open(File (*real)(const char*), const char* path, bool forWriting) {
    if (record(FileOperation::Open, path, forWriting)) {
        return File{};
    }
    File file = real(path);
    if (file.isOpen()) {
        const std::lock_guard<std::mutex> hold(state().lock);
        state().open[file.native()] = OpenFile{path, forWriting};
    }
    return file;
}

std::uint32_t half(std::uint32_t count) { return count - count / 2; }

}  // namespace

File wrapOpenDeviceFileForReading(const char* path) { return open(realOpenDeviceFileForReading, path, false); }
File wrapOpenExistingForReading(const char* path) { return open(realOpenExistingForReading, path, false); }
File wrapOpenExistingForWriting(const char* path) { return open(realOpenExistingForWriting, path, true); }
File wrapCreateEmptyForWriting(const char* path) { return open(realCreateEmptyForWriting, path, true); }

bool wrapReadFile(File& file, void* buffer, std::uint32_t capacity, std::uint32_t& bytesRead) {
    const OpenFile f = openFileOf(file);
    if (!record(FileOperation::Read, f.path, f.forWriting)) {
        return realReadFile(file, buffer, capacity, bytesRead);
    }
    bytesRead = 0;
    switch (state().armedFault) {
        case FileFault::Fail:
            return false;
        case FileFault::Short:
            return realReadFile(file, buffer, half(capacity), bytesRead);
        case FileFault::Torn:
            realReadFile(file, buffer, half(capacity), bytesRead);
            return false;
    }
    return false;
}

bool wrapWriteFile(File& file, const void* data, std::uint32_t length, std::uint32_t& bytesWritten) {
    const OpenFile f = openFileOf(file);
    if (!record(FileOperation::Write, f.path, f.forWriting)) {
        return realWriteFile(file, data, length, bytesWritten);
    }
    bytesWritten = 0;
    switch (state().armedFault) {
        case FileFault::Fail:
            return false;
        case FileFault::Short:
            return realWriteFile(file, data, half(length), bytesWritten);
        case FileFault::Torn:
            realWriteFile(file, data, half(length), bytesWritten);
            return false;
    }
    return false;
}

bool wrapFlushFile(File& file) {
    const OpenFile f = openFileOf(file);
    return !record(FileOperation::Flush, f.path, f.forWriting) && realFlushFile(file);
}

bool wrapSetFileLength(File& file, std::uint64_t length) {
    const OpenFile f = openFileOf(file);
    return !record(FileOperation::SetLength, f.path, f.forWriting) && realSetFileLength(file, length);
}

bool wrapCloseFile(File& file) {
    if (!file.isOpen()) {
        return realCloseFile(file);  // nothing to close: not a call worth counting
    }
    const OpenFile f = openFileOf(file);
    forgetOpenFile(file);
    const bool armed = record(FileOperation::Close, f.path, f.forWriting);
    // The handle is released either way, as the real close does when it fails.
    const bool closed = realCloseFile(file);
    return closed && !armed;
}

const char* faultName(FileFault fault) {
    switch (fault) {
        case FileFault::Fail:
            return "fails";
        case FileFault::Short:
            return "comes up short";
        case FileFault::Torn:
            return "is torn";
    }
    return "?";
}

void resetFileCalls() {
    const std::lock_guard<std::mutex> hold(state().lock);
    state().calls.clear();
    state().armedCall = 0;
}

void observeFileCalls(std::function<void(const FileCall&)> observer) {
    const std::lock_guard<std::mutex> hold(state().lock);
    state().observer = std::move(observer);
}

void armFileFault(int call, FileFault fault) {
    state().armedCall = static_cast<int>(state().calls.size()) + call;
    state().armedFault = fault;
}

const std::vector<FileCall>& fileCalls() { return state().calls; }

int openFileCount() {
    const std::lock_guard<std::mutex> hold(state().lock);
    return static_cast<int>(state().open.size());
}

std::string describe(const FileCall& call) {
    static const char* const NAMES[] = {"open", "read", "write", "flush", "set length of", "close"};
    return std::string(NAMES[static_cast<int>(call.operation)]) + (call.forWriting ? " (for writing) " : " ") +
           call.path;
}

void forEachFileFault(const std::function<void()>& prepare, const std::function<int()>& operation,
                      const FaultCheck& check) {
    const int openBefore = openFileCount();
    prepare();
    resetFileCalls();
    const int cleanResult = operation();
    const std::vector<FileCall> cleanCalls = fileCalls();
    EXPECT_EQ(openFileCount(), openBefore) << "a file stays open after the run without a fault";
    check(nullptr, FileFault::Fail, cleanResult);
    ASSERT_FALSE(cleanCalls.empty());

    for (const FileFault fault : {FileFault::Fail, FileFault::Short, FileFault::Torn}) {
        for (std::size_t i = 0; i < cleanCalls.size(); ++i) {
            const FileCall& hit = cleanCalls[i];
            SCOPED_TRACE(testing::Message() << "call " << i + 1 << " of " << cleanCalls.size() << ", " << describe(hit)
                                            << ", " << faultName(fault));
            prepare();
            resetFileCalls();
            armFileFault(static_cast<int>(i) + 1, fault);
            const int result = operation();
            EXPECT_EQ(openFileCount(), openBefore) << "a file stays open";
            resetFileCalls();
            check(&hit, fault, result);
        }
    }
}

}  // namespace testsupport
