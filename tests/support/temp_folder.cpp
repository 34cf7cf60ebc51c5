#include "tests/support/temp_folder.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace testsupport {

namespace {

fs::path pathOf(const std::string& root, const std::string& relative) {
    return fs::path(root) / fs::path(relative).make_preferred();
}

}  // namespace

TempFolder::TempFolder() {
    static std::atomic<unsigned> counter{0};
    std::random_device entropy;
    for (;;) {
        const fs::path candidate = fs::temp_directory_path() /
            ("ondavox-test-" + std::to_string(entropy() % 1000000) + "-" + std::to_string(counter++));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            root_ = candidate.string() + static_cast<char>(fs::path::preferred_separator);
            return;
        }
    }
}

TempFolder::~TempFolder() {
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(root_, error)) {
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    fs::remove_all(root_, error);
}

std::string TempFolder::nativePath(const std::string& relative) const { return pathOf(root_, relative).string(); }

void TempFolder::writeFile(const std::string& relative, const std::string& bytes) const {
    const fs::path path = pathOf(root_, relative);
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::string TempFolder::readFile(const std::string& relative) const {
    std::ifstream in(pathOf(root_, relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TempFolder::exists(const std::string& relative) const { return fs::exists(pathOf(root_, relative)); }

void TempFolder::makeReadOnly(const std::string& relative) const {
    fs::permissions(pathOf(root_, relative),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
}

std::string TempFolder::listing() const {
    std::vector<std::string> lines;
    for (const auto& entry : fs::recursive_directory_iterator(root_)) {
        if (entry.is_regular_file()) {
            lines.push_back(fs::relative(entry.path(), root_).generic_string() + " " +
                            std::to_string(entry.file_size()));
        } else {
            lines.push_back(fs::relative(entry.path(), root_).generic_string() + "/");
        }
    }
    std::sort(lines.begin(), lines.end());
    std::ostringstream out;
    for (const auto& line : lines) {
        out << line << "\n";
    }
    return out.str();
}

}  // namespace testsupport
