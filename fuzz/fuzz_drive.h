#pragma once
// A real folder standing for the device's drive, made once per fuzzing
// process and removed when it ends; deviceRoot names it. The readers under
// test open and read its files through the real platform layer. It lives in
// shared memory where there is some: device files are read past the page
// cache, and on a disk every such read would first write the file out.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "device/discovery.h"

namespace fuzzing {

inline char driveFolder[512];

inline void removeDriveFolder() { std::filesystem::remove_all(driveFolder); }

inline const char* driveRoot() {
    if (driveFolder[0] == '\0') {
        const char* base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::getenv("TMPDIR");
        std::snprintf(driveFolder, sizeof driveFolder, "%s/ondavox-fuzz-XXXXXX",
                      base != nullptr && *base != '\0' ? base : "/tmp");
        if (::mkdtemp(driveFolder) == nullptr) {
            std::abort();
        }
        std::filesystem::create_directory(std::string(driveFolder) + "/doc");
        std::atexit(removeDriveFolder);
        const int length = std::snprintf(device::deviceRoot, sizeof device::deviceRoot, "%s/", driveFolder);
        if (length < 0 || static_cast<std::size_t>(length) >= sizeof device::deviceRoot) {
            std::abort();
        }
    }
    return driveFolder;
}

// Replaces the drive's file (relative, "doc/...") with exactly these bytes.
inline void writeDriveFile(const char* relative, const void* bytes, std::size_t size) {
    const std::string path = std::string(driveRoot()) + "/" + relative;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(bytes, 1, size, file) != size || std::fclose(file) != 0) {
        std::abort();
    }
}

inline void writeDriveFile(const char* relative, const std::string& bytes) {
    writeDriveFile(relative, bytes.data(), bytes.size());
}

inline std::string readDriveFile(const char* relative) {
    const std::string path = std::string(driveRoot()) + "/" + relative;
    std::string bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        std::abort();
    }
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        bytes.append(buffer, n);
    }
    std::fclose(file);
    return bytes;
}

// Stops the run as a crash, so the fuzzer keeps the input that broke a rule.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

template <std::size_t N>
bool terminatedWithin(const char (&field)[N]) {
    return std::memchr(field, '\0', N) != nullptr;
}

}  // namespace fuzzing
