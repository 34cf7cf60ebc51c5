#include "app/run_log.h"

#include <cstdio>

#include "platform/support_log.h"

namespace app {

namespace {

// The build as support needs to know it: the compiler, the target and whether
// checks were compiled in. Nothing that differs between two builds of one
// tree (no date), so a release can be built again byte for byte.
#if defined(__clang__)
#define ONDAVOX_COMPILER "clang " __clang_version__
#elif defined(__GNUC__)
#define ONDAVOX_COMPILER "gcc " __VERSION__
#else
#define ONDAVOX_COMPILER "unknown compiler"
#endif
#if defined(__x86_64__) || defined(_M_X64)
#define ONDAVOX_TARGET "x86_64"
#elif defined(__aarch64__)
#define ONDAVOX_TARGET "aarch64"
#else
#define ONDAVOX_TARGET "other target"
#endif
#ifdef NDEBUG
#define ONDAVOX_CHECKS "release"
#else
#define ONDAVOX_CHECKS "with checks"
#endif

}  // namespace

void openRunLog(const char* programName, const char* version) {
    char line[platform::SUPPORT_LOG_LINE_CAPACITY];
    std::snprintf(line, sizeof line, "%s %s (build: %s, %s, %s)", programName, version, ONDAVOX_COMPILER,
                  ONDAVOX_TARGET, ONDAVOX_CHECKS);
    platform::openSupportLog(line);
}

void closeRunLog(int exitCode) {
    char line[64];
    std::snprintf(line, sizeof line, "run ended: exit code %d", exitCode);
    platform::closeSupportLog(line);
}

}  // namespace app
