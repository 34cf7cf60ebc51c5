// The layers as docs/ARCHITECTURE.md draws them: every project include of
// every source file in a layered folder must name its own folder or one its
// row of the layer table allows. A call up the layers starts with such an
// include, so this catches it before it is written into the design.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path SOURCE = ONDAVOX_SOURCE_DIR;

// The project's top-level folders: an include that starts with one of them
// is the project's own.
const std::set<std::string> PROJECT_FOLDERS = {"app",   "carriers", "device", "update", "platform", "program",
                                               "text",  "res",      "tests",  "fuzz",   "bench",    "simulator",
                                               "tools"};

using LayerTable = std::map<std::string, std::set<std::string>>;  // folder -> folders it may include

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The names between backticks in a piece of a table row.
std::vector<std::string> quotedNames(const std::string& text) {
    std::vector<std::string> names;
    for (std::size_t open = text.find('`'); open != std::string::npos; open = text.find('`', open)) {
        const std::size_t close = text.find('`', open + 1);
        if (close == std::string::npos) break;
        names.push_back(text.substr(open + 1, close - open - 1));
        open = close + 1;
    }
    return names;
}

// The rows of the table under "## Layer table": | `folder` | `a`, `b` |.
LayerTable readLayerTable() {
    const std::string doc = readFile(SOURCE / "docs" / "ARCHITECTURE.md");
    const std::size_t start = doc.find("## Layer table");
    LayerTable table;
    if (start == std::string::npos) return table;
    std::istringstream lines(doc.substr(start));
    std::string line;
    std::getline(lines, line);  // the heading
    while (std::getline(lines, line) && line.rfind("## ", 0) != 0) {
        if (line.rfind("| `", 0) != 0) continue;
        const std::size_t middle = line.find('|', 1);
        const std::vector<std::string> folder = quotedNames(line.substr(0, middle));
        if (folder.size() != 1 || middle == std::string::npos) continue;
        std::set<std::string>& allowed = table[folder[0]];
        for (const std::string& name : quotedNames(line.substr(middle))) {
            allowed.insert(name);
        }
    }
    return table;
}

// The first folder of a project include ("app" of #include "app/x.h"), or "".
std::string includedFolder(const std::string& line) {
    std::size_t at = line.find_first_not_of(" \t");
    if (at == std::string::npos || line[at] != '#') return "";
    at = line.find_first_not_of(" \t", at + 1);
    if (at == std::string::npos || line.compare(at, 7, "include") != 0) return "";
    at = line.find_first_not_of(" \t", at + 7);
    if (at == std::string::npos || line[at] != '"') return "";
    const std::size_t slash = line.find('/', at);
    const std::size_t quote = line.find('"', at + 1);
    if (slash == std::string::npos || slash > quote) return "";
    return line.substr(at + 1, slash - at - 1);
}

// The table's row for a file: the longest folder that holds it.
const std::string* rowOf(const LayerTable& table, const std::string& file) {
    const std::string* best = nullptr;
    for (const auto& entry : table) {
        const std::string& folder = entry.first;
        if (file.rfind(folder + "/", 0) == 0 && (best == nullptr || folder.size() > best->size())) {
            best = &folder;
        }
    }
    return best;
}

TEST(Layers, TableNamesEveryCoreFolderAndTheProgram) {
    LayerTable table = readLayerTable();
    for (const char* folder :
         {"program/win32", "program/linux", "program/cli", "app", "device", "carriers", "update", "platform", "text", "res"}) {
        EXPECT_EQ(table.count(folder), 1u) << folder << " has no row in the layer table of docs/ARCHITECTURE.md";
    }
    // The engine never reaches up to the dialog logic or the programs, and
    // the device layer and the carrier table stand apart.
    for (const char* lower : {"device", "carriers", "update", "platform", "text"}) {
        EXPECT_EQ(table[lower].count("app"), 0u) << lower;
        EXPECT_EQ(table[lower].count("program"), 0u) << lower;
    }
    EXPECT_EQ(table["device"].count("carriers"), 0u);
    EXPECT_EQ(table["carriers"].count("device"), 0u);
    EXPECT_EQ(table["platform"].count("carriers"), 0u);
}

TEST(Layers, EveryIncludeFollowsTheLayerTable) {
    const LayerTable table = readLayerTable();
    ASSERT_FALSE(table.empty()) << "no layer table in docs/ARCHITECTURE.md";
    int filesChecked = 0;
    for (const auto& entry : fs::recursive_directory_iterator(SOURCE)) {
        const std::string relative = fs::relative(entry.path(), SOURCE).generic_string();
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h" && extension != ".c")) continue;
        const std::string* folder = rowOf(table, relative);
        if (folder == nullptr) continue;
        ++filesChecked;
        const std::string own = folder->substr(0, folder->find('/'));
        std::istringstream lines(readFile(entry.path()));
        std::string line;
        for (int number = 1; std::getline(lines, line); ++number) {
            const std::string target = includedFolder(line);
            if (PROJECT_FOLDERS.count(target) == 0 || target == own) continue;
            EXPECT_EQ(table.at(*folder).count(target), 1u)
                << relative << ":" << number << " includes " << target << "/, which " << *folder
                << " may not (docs/ARCHITECTURE.md, Layer table)";
        }
    }
    EXPECT_GT(filesChecked, 50);
}

}  // namespace
