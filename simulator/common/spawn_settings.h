#pragma once
// What starting a child with posix_spawn takes, made and cleaned up in one
// place: the arguments and environment as NUL-terminated arrays of C
// strings, and the file actions and attributes.

#include <signal.h>
#include <spawn.h>

#include <string>
#include <utility>
#include <vector>

namespace simulator {

// texts as argv or envp: char pointers into texts kept here, then a null.
class CStringArray {
public:
    explicit CStringArray(std::vector<std::string> texts) : texts_(std::move(texts)) {
        for (std::string& text : texts_) {
            pointers_.push_back(text.data());
        }
        pointers_.push_back(nullptr);
    }
    // The pointers point into this object's own strings.
    CStringArray(const CStringArray&) = delete;
    CStringArray& operator=(const CStringArray&) = delete;

    char* const* get() const { return pointers_.data(); }
    const char* operator[](std::size_t index) const { return pointers_[index]; }

private:
    std::vector<std::string> texts_;
    std::vector<char*> pointers_;
};

// posix_spawn's file actions and attributes, destroyed on every path. The
// child starts with no signal blocked, whatever this thread blocks; flags
// adds attributes the caller then sets (POSIX_SPAWN_SETPGROUP, ...).
struct SpawnSettings {
    explicit SpawnSettings(short flags = 0) {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, static_cast<short>(POSIX_SPAWN_SETSIGMASK | flags));
        sigset_t noSignals;
        sigemptyset(&noSignals);
        posix_spawnattr_setsigmask(&attributes, &noSignals);
    }
    ~SpawnSettings() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

}  // namespace simulator
