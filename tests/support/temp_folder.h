#pragma once
// A fresh folder under the system's temporary folder, removed with its
// contents when the test ends. Stands for a drive's root or a download folder.

#include <cstdint>
#include <string>

namespace testsupport {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path with a trailing separator, as a device root is written.
    const std::string& root() const { return root_; }

    // relative uses "/" between names; folders on the way are created.
    void writeFile(const std::string& relative, const std::string& bytes) const;
    std::string readFile(const std::string& relative) const;
    bool exists(const std::string& relative) const;
    void makeReadOnly(const std::string& relative) const;
    // Every file below the folder with its size, one "path size" line each, sorted.
    std::string listing() const;
    std::string nativePath(const std::string& relative) const;

private:
    std::string root_;
};

}  // namespace testsupport
