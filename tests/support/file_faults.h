#pragma once
// Fault injection at the platform file layer. The test program is linked
// with the linker's --wrap for every call of platform/files.h (see
// tests/CMakeLists.txt): each call the core makes goes through a wrapper that
// counts it, logs it, keeps track of the handles it opened, and, when armed,
// makes one chosen call fail or come up short. Unarmed, every call goes
// straight to the real platform layer.

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

enum class FileFault {
    Fail,   // nothing happens: no file opens, no byte moves; a close really closes but reports failure
    Short,  // a read or write moves half the bytes and reports success; other calls fail
    Torn,   // a read or write moves half the bytes, then reports failure; other calls fail
};

const char* faultName(FileFault fault);

enum class FileOperation { Open, Read, Write, Flush, SetLength, Close };

// One call as the wrapper saw it.
struct FileCall {
    FileOperation operation;
    std::string path;         // the file's path as opened, backslashes included
    bool forWriting = false;  // the handle was opened for writing
};

// Forgets the calls so far and any armed fault; counting starts again at 1.
void resetFileCalls();
// The call-th call from now (1 = the next one) meets the fault, once.
void armFileFault(int call, FileFault fault);
// The calls since resetFileCalls, in order.
const std::vector<FileCall>& fileCalls();
// Called for every call, on the thread that makes it, before the call goes on
// (an empty function stops it): a test can hold a worker at a chosen call.
void observeFileCalls(std::function<void(const FileCall&)> observer);
// Files opened through the platform layer and not closed yet.
int openFileCount();

// "read doc\status.st" and the like, for test messages.
std::string describe(const FileCall& call);

// Runs prepare and then operation once without a fault, to learn the
// operation's file calls; check gets a null call and the result. Then, for
// every fault and every one of those calls in turn: prepare, the operation
// with that call meeting the fault, and check with the call that was hit.
// Every run is also checked to leave no file open.
using FaultCheck = std::function<void(const FileCall* hit, FileFault fault, int result)>;
void forEachFileFault(const std::function<void()>& prepare, const std::function<int()>& operation,
                      const FaultCheck& check);

}  // namespace testsupport
