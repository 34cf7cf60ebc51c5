#pragma once
// Points the process's temporary folder at a folder of the test's own while
// it lives, so files a test makes there (downloaded images) are removed with
// that folder; puts the old setting back afterwards.

#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace testsupport {

class TemporaryFolderOverride {
public:
    explicit TemporaryFolderOverride(const std::string& folder) {
        for (Variable& v : variables_) {
            const char* old = std::getenv(v.name);
            v.had = old != nullptr;
            v.saved = v.had ? old : "";
            set(v.name, folder.c_str());
        }
    }
    ~TemporaryFolderOverride() {
        for (Variable& v : variables_) {
            set(v.name, v.had ? v.saved.c_str() : nullptr);
        }
    }
    TemporaryFolderOverride(const TemporaryFolderOverride&) = delete;
    TemporaryFolderOverride& operator=(const TemporaryFolderOverride&) = delete;

private:
    struct Variable {
        explicit Variable(const char* variableName) : name(variableName) {}
        const char* name;
        bool had = false;
        std::string saved;
    };

    static void set(const char* name, const char* value) {
#ifdef _WIN32
        // Both the system's and the C runtime's copy of the environment.
        ::SetEnvironmentVariableA(name, value);
        ::_putenv_s(name, value != nullptr ? value : "");
#else
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
#endif
    }

#ifdef _WIN32
    Variable variables_[2] = {Variable("TMP"), Variable("TEMP")};
#else
    Variable variables_[1] = {Variable("TMPDIR")};
#endif
};

}  // namespace testsupport
