// The layers as docs/ARCHITECTURE.md draws them: every project include of
// every source file in a layered folder must name its own folder or one its
// row of the layer table allows. A call up the layers starts with such an
// include, so this catches it before it is written into the design. Each
// program and each platform implementation is a row of its own: it sees
// itself, the shared headers and what its row names, never a sibling.

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

// The folder part of a project include ("platform/qt" of #include
// "platform/qt/dialog_binding.h"), or "" when the line includes none.
std::string includedPath(const std::string& line) {
    std::size_t at = line.find_first_not_of(" \t");
    if (at == std::string::npos || line[at] != '#') return "";
    at = line.find_first_not_of(" \t", at + 1);
    if (at == std::string::npos || line.compare(at, 7, "include") != 0) return "";
    at = line.find_first_not_of(" \t", at + 7);
    if (at == std::string::npos || line[at] != '"') return "";
    const std::size_t quote = line.find('"', at + 1);
    const std::size_t slash = line.rfind('/', quote);
    if (quote == std::string::npos || slash == std::string::npos || slash <= at) return "";
    return line.substr(at + 1, slash - at - 1);
}

// The table's row for a path: the longest row folder that holds it, or
// nullptr. A row stands for its folder's own files, not for the rows below
// it: platform/ holds the shared headers, platform/qt/ one implementation.
const std::string* rowOf(const LayerTable& table, const std::string& path) {
    const std::string* best = nullptr;
    for (const auto& entry : table) {
        const std::string& folder = entry.first;
        if (path.rfind(folder + "/", 0) == 0 && (best == nullptr || folder.size() > best->size())) {
            best = &folder;
        }
    }
    return best;
}

std::string firstFolder(const std::string& path) { return path.substr(0, path.find('/')); }

// Whether a file lies in a folder the table arranges (a top folder with a
// row of its own or below it), so that it must have a row itself.
bool isLayered(const LayerTable& table, const std::string& file) {
    const std::string top = firstFolder(file);
    for (const auto& entry : table) {
        if (firstFolder(entry.first) == top) return true;
    }
    return false;
}

// What is wrong with one line of a source file, or "" when nothing is: the
// line includes a project header from a folder that the file's row neither
// is nor names. The included header belongs to the row that holds it (a
// sub-folder such as platform/win32 is a layer of its own, apart from its
// siblings and from the shared headers above it); a header in no row
// belongs to its top folder (tests, tools, ...).
std::string violation(const LayerTable& table, const std::string& file, const std::string& line) {
    const std::string* row = rowOf(table, file);
    if (row == nullptr) {
        return isLayered(table, file) ? file + " lies in no folder of the layer table" : "";
    }
    const std::string included = includedPath(line);
    if (included.empty() || PROJECT_FOLDERS.count(firstFolder(included)) == 0) return "";
    const std::string* target = rowOf(table, included + "/");
    const std::string layer = target != nullptr ? *target : firstFolder(included);
    if (layer == *row || table.at(*row).count(layer) == 1) return "";
    return file + " includes " + included + "/, which " + *row + " may not";
}

// The rule itself, against the real table: a program or a platform
// implementation that reaches into a sibling is caught, as is the core
// reaching into an implementation or a file in a folder without a row. A
// program may use the binding its own platform implementation offers.
struct IncludeCase {
    const char* file;
    const char* line;
    bool allowed;
};

const IncludeCase INCLUDE_CASES[] = {
    {"program/win32/main.cpp", "#include \"program/win32/program.h\"", true},
    {"program/win32/main.cpp", "#include \"app/main_dialog.h\"", true},
    {"program/win32/main.cpp", "#include \"platform/dialog.h\"", true},
    {"program/win32/main.cpp", "#include \"platform/win32/dialog_thread.h\"", true},
    {"program/win32/main.cpp", "#include \"program/linux/program.h\"", false},
    {"program/win32/main.cpp", "#include \"platform/qt/dialog_binding.h\"", false},
    {"program/win32/main.cpp", "#include \"tests/support/gate.h\"", false},
    {"program/linux/main.cpp", "#include \"platform/qt/dialog_binding.h\"", true},
    {"program/linux/main.cpp", "#include \"program/win32/program.h\"", false},
    {"program/linux/main.cpp", "#include \"platform/linux/volume_list.h\"", false},
    {"program/linux/main.cpp", "#include \"platform/win32/dialog_thread.h\"", false},
    {"program/cli/main.cpp", "#include \"device/discovery.h\"", true},
    {"program/cli/main.cpp", "#include \"program/win32/program.h\"", false},
    {"program/cli/main.cpp", "#include \"platform/qt/dialog_binding.h\"", false},
    {"program/other/main.cpp", "#include \"app/main_dialog.h\"", false},
    {"platform/win32/dialog.cpp", "#include \"platform/dialog.h\"", true},
    {"platform/win32/dialog.cpp", "#include \"platform/win32/dialog_thread.h\"", true},
    {"platform/win32/dialog.cpp", "#include \"platform/qt/dialog_thread.h\"", false},
    {"platform/qt/dialog.cpp", "#include \"platform/win32/dialog_thread.h\"", false},
    {"platform/qt/dialog.cpp", "#include \"platform/linux/volume_list.h\"", false},
    {"platform/linux/volumes.cpp", "#include \"platform/qt/dialog_text.h\"", false},
    {"platform/linux/volumes.cpp", "#include \"device/discovery.h\"", false},
    {"platform/threads.h", "#include \"platform/linux/volume_list.h\"", false},
    {"app/main_dialog.cpp", "#include \"platform/qt/dialog_binding.h\"", false},
    {"device/discovery.cpp", "#include \"platform/volumes.h\"", true},
    {"device/discovery.cpp", "#include \"app/dialog_state.h\"", false},
    {"device/discovery.cpp", "#include \"ondavox_build_settings.h\"", true},
    {"tests/app/x.cpp", "#include \"program/linux/program.h\"", true},
};

class IncludeRule : public ::testing::TestWithParam<IncludeCase> {};

TEST_P(IncludeRule, FollowsTheTable) {
    const LayerTable table = readLayerTable();
    const IncludeCase& c = GetParam();
    const std::string problem = violation(table, c.file, c.line);
    EXPECT_EQ(problem.empty(), c.allowed) << c.file << ": " << c.line << " -> " << problem;
}

INSTANTIATE_TEST_SUITE_P(Cases, IncludeRule, ::testing::ValuesIn(INCLUDE_CASES));

TEST(Layers, TableNamesEveryCoreFolderAndTheProgram) {
    LayerTable table = readLayerTable();
    using Group = std::vector<std::string>;
    const Group programs = {"program/win32", "program/linux", "program/cli"};
    const Group implementations = {"platform/win32", "platform/linux", "platform/qt"};
    const Group core = {"app", "device", "carriers", "update", "platform", "text", "res"};
    for (const Group* group : {&core, &programs, &implementations}) {
        for (const std::string& folder : *group) {
            EXPECT_EQ(table.count(folder), 1u) << folder << " has no row in the layer table of docs/ARCHITECTURE.md";
        }
    }
    // The engine never reaches up to the dialog logic or the programs, and
    // the device layer and the carrier table stand apart.
    for (const char* lower : {"device", "carriers", "update", "platform", "text"}) {
        EXPECT_EQ(table[lower].count("app"), 0u) << lower;
        for (const std::string& program : programs) {
            EXPECT_EQ(table[lower].count(program), 0u) << lower;
        }
    }
    EXPECT_EQ(table["device"].count("carriers"), 0u);
    EXPECT_EQ(table["carriers"].count("device"), 0u);
    EXPECT_EQ(table["platform"].count("carriers"), 0u);
    // Programs stand side by side, and so do the platform implementations;
    // neither the shared platform headers nor the core name an implementation.
    for (const Group* group : {&programs, &implementations}) {
        for (const std::string& one : *group) {
            for (const std::string& other : *group) {
                if (one != other) {
                    EXPECT_EQ(table[one].count(other), 0u) << one << " may include " << other;
                }
            }
        }
    }
    for (const std::string& implementation : implementations) {
        for (const char* user : {"platform", "app", "device", "update", "carriers"}) {
            EXPECT_EQ(table[user].count(implementation), 0u) << user << " may include " << implementation;
        }
    }
}

TEST(Layers, EveryIncludeFollowsTheLayerTable) {
    const LayerTable table = readLayerTable();
    ASSERT_FALSE(table.empty()) << "no layer table in docs/ARCHITECTURE.md";
    int filesChecked = 0;
    for (const auto& entry : fs::recursive_directory_iterator(SOURCE)) {
        const std::string relative = fs::relative(entry.path(), SOURCE).generic_string();
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h" && extension != ".c")) continue;
        if (!isLayered(table, relative)) continue;
        ++filesChecked;
        if (rowOf(table, relative) == nullptr) {
            ADD_FAILURE() << relative << " lies in no folder of the layer table of docs/ARCHITECTURE.md";
            continue;
        }
        std::istringstream lines(readFile(entry.path()));
        std::string line;
        for (int number = 1; std::getline(lines, line); ++number) {
            EXPECT_EQ(violation(table, relative, line), "")
                << relative << ":" << number << " (docs/ARCHITECTURE.md, Layer table)";
        }
    }
    EXPECT_GT(filesChecked, 50);
}

}  // namespace
