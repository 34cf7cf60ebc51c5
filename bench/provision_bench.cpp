// What a shop does, timed per radio: ten simulated radios, one after the
// other, each plugged in read-only and provisioned with a carrier preset and
// a PIN, then updated with a 16 MiB firmware image.
//  - command line: "ondavox-cli set --country ... --provider ... --pin-file -"
//    then "ondavox-cli update --yes", natively (the radio on a scripted
//    UDisks2 bus) and, as ondavox-cli.exe, under Wine;
//  - dialog: the Windows program under Wine driven through its controls by
//    the end-to-end tests' command server (ondavox_drive.exe), as a person
//    would: start, "No, Thanks!" to the offer, the preset picked, the PIN
//    typed, "Save and Quit"; start again, "Yes!", until the program ends.
// Each radio is checked afterwards: the PIN and the preset in its file, and
// its own verdict on the installed image ("update accepted").
//
// Usage: ondavox_provision_bench [radios, default 10]
// Environment: ONDAVOX_BENCH_CLI (the native ondavox-cli),
// ONDAVOX_BENCH_WINEPREFIX and ONDAVOX_BENCH_WINDOWS_BUILD (a prepared
// simulator prefix, on an X display, and the Windows build with ondavox.exe,
// ondavox-cli.exe and tools/ondavox_drive.exe); a column without its
// settings is left out. bench/run-provision-bench.sh prepares all of it.

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "carriers/carrier_table.h"
#include "res/control_ids.h"
#include "res/strings.h"
#include "simulator/radio_sim/radio_simulator.h"
#include "simulator/update_server/update_server.h"
#include "tests/e2e/command_server.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::size_t IMAGE_BYTES = 16 * 1024 * 1024;
constexpr char COUNTRY[] = "Germany";
constexpr char PROVIDER[] = "Vodafone - Postpaid";
constexpr char PIN[] = "2580";

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A server tree whose Latest folder for the hxa family offers 9.0.0 as a
// 16 MiB image of fixed pseudo-random bytes, with its checksum file.
void makeServerTree(const fs::path& root) {
    const fs::path folder = root / "firmware/latest";
    fs::create_directories(folder);
    std::ofstream(folder / "version.info", std::ios::binary) << "9.0.0\n";
    std::string image = "Brelvan Ondavox firmware 9.0.0 for HXA\n";
    std::uint32_t state = 0x2545F491;
    while (image.size() < IMAGE_BYTES) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        image.push_back(static_cast<char>(state & 0xFF));
    }
    std::ofstream(folder / "Ondavox_update.bvn", std::ios::binary) << image;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(image.data(), image.size(), digest, &length, EVP_md5(), nullptr);
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        static const char HEX[] = "0123456789abcdef";
        hex += HEX[digest[i] >> 4];
        hex += HEX[digest[i] & 15];
    }
    std::ofstream(folder / "Ondavox_update.md5", std::ios::binary) << hex << "  Ondavox_update.bvn\n";
}

// Runs argv with the environment added and standard input from the text;
// its exit code, or -1.
int runProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
               const std::string& input, const fs::path& work) {
    const fs::path in = work / "stdin";
    std::ofstream(in, std::ios::binary) << input;
    const pid_t child = fork();
    if (child == 0) {
        dup2(open(in.c_str(), O_RDONLY), 0);
        const int log = open((work / "command.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        dup2(log, 1);
        dup2(log, 2);
        for (const std::string& entry : environment) putenv(const_cast<char*>(entry.c_str()));
        std::vector<char*> arguments;
        for (const std::string& argument : argv) arguments.push_back(const_cast<char*>(argument.c_str()));
        arguments.push_back(nullptr);
        execvp(arguments[0], arguments.data());
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

enum class Way { CommandLineLinux, CommandLineWine, DialogWine };

struct Settings {
    std::string cli;     // native ondavox-cli
    std::string prefix;  // Wine
    std::string build;   // Windows build
};

class Bench {
public:
    explicit Bench(Settings settings) : s_(std::move(settings)) {
        work_ = fs::temp_directory_path() / ("ondavox-provision-bench-" + std::to_string(::getpid()));
        fs::remove_all(work_);
        fs::create_directories(work_);
        makeServerTree(work_ / "server");
        server_ = std::make_unique<simulator::UpdateServer>(
            simulator::UpdateServerOptions{(work_ / "server").string(), 0, "", false});
        std::string error;
        if (!server_->start(error)) std::fprintf(stderr, "update server: %s\n", error.c_str());
    }
    ~Bench() { fs::remove_all(work_); }

    // One radio provisioned one way: seconds from plugging it in to the
    // provisioning's end, or nullopt when a step or the check failed.
    std::optional<double> provision(Way way, int number) {
        const fs::path radioFolder = work_ / ("radio-" + std::to_string(number));
        fs::remove_all(radioFolder);
        simulator::RadioOptions options;
        if (way == Way::CommandLineLinux) {
            options.connection = simulator::RadioConnection::UDisks2;
        } else {
            options.winePrefix = s_.prefix;
            options.windowsTools = s_.build + "/simulator";
        }
        options.radioFolder = std::string(ONDAVOX_SOURCE_DIR) + "/simulator/radios/hxa-v2";
        options.workFolder = radioFolder.string();
        options.echo = false;
        options.readOnly = true;
        simulator::RadioSimulator radio(options);
        std::string error;
        const Clock::time_point plugged = Clock::now();
        if (!radio.start(error)) {
            std::fprintf(stderr, "  radio: %s\n", error.c_str());
            return std::nullopt;
        }
        const bool done = way == Way::DialogWine ? throughDialog() : throughCommandLine(way, radio.busAddress());
        const double seconds = std::chrono::duration<double>(Clock::now() - plugged).count();
        const std::string config = readFile(radioFolder / "doc/global-config.cfg");
        const bool provisioned = config.find(std::string("gsm_pin = \"") + PIN + "\"") != std::string::npos &&
                                 config.find(std::string("gsm_provider = \"") + PROVIDER + "\"") != std::string::npos;
        const bool accepted = radio.log().waitFor("update accepted", std::chrono::seconds(20));
        radio.stop();
        fs::remove_all(radioFolder);
        if (!done || !provisioned || !accepted) {
            std::fprintf(stderr, "  radio %d: %s%s%s\n", number, done ? "" : "a step failed; ",
                         provisioned ? "" : "not provisioned; ", accepted ? "" : "update not accepted");
            return std::nullopt;
        }
        return seconds;
    }

private:
    bool throughCommandLine(Way way, const std::string& busAddress) {
        std::vector<std::string> program;
        std::vector<std::string> environment = {"http_proxy=" + server_->proxyUrl()};
        if (way == Way::CommandLineLinux) {
            program = {s_.cli};
            environment.push_back("DBUS_SYSTEM_BUS_ADDRESS=" + busAddress);
        } else {
            program = {"wine", s_.build + "/ondavox-cli.exe"};
            environment.push_back("WINEPREFIX=" + s_.prefix);
            environment.push_back("WINEDEBUG=-all");
        }
        std::vector<std::string> set = program;
        set.insert(set.end(), {"set", "--country", COUNTRY, "--provider", PROVIDER, "--pin-file", "-"});
        std::vector<std::string> update = program;
        update.insert(update.end(), {"update", "--yes"});
        return runProcess(set, environment, std::string(PIN) + "\n", work_) == 0 &&
               runProcess(update, environment, "", work_) == 0;
    }

    bool send(e2e::CommandServer& driver, const std::string& command, const std::string& expected = "ok") {
        const std::string answer = driver.send(command);
        if (answer != expected) std::fprintf(stderr, "  %s: %s\n", command.c_str(), answer.c_str());
        return answer == expected;
    }

    bool throughDialog() {
        const std::string country = std::to_string(carriers::findCountryIndex(COUNTRY));
        const std::string provider =
            std::to_string(carriers::findPresetIndex(carriers::findCountryIndex(COUNTRY), PROVIDER));
        const std::vector<std::string> environment = {"http_proxy=" + server_->proxyUrl()};
        const auto id = [](int control) { return std::to_string(control); };
        {
            // The offer comes first; the form after "No, Thanks!".
            e2e::CommandServer driver(e2e::windowsProgramServer(s_.prefix, s_.build), environment);
            if (!(send(driver, "start") && send(driver, "wait-dialog 60000") &&
                  send(driver, "wait " + id(IDC_FIRST_BUTTON) + " 60000 text " + TEXT_YES) &&
                  send(driver, "wait " + id(IDC_SECOND_BUTTON) + " 10000 visible") &&
                  send(driver, "click " + id(IDC_SECOND_BUTTON)) &&
                  send(driver, "wait " + id(IDC_ROAMING_CHECK) + " 30000 visible") &&
                  send(driver, "select " + id(IDC_COUNTRY_LIST) + " " + country) &&
                  send(driver, "select " + id(IDC_PROVIDER_LIST) + " " + provider) &&
                  send(driver, "set-text " + id(IDC_GSM_PIN) + " " + PIN) &&
                  send(driver, "click " + id(IDC_FIRST_BUTTON)) && send(driver, "wait-gone 30000") &&
                  send(driver, "wait-exit 20000", "ok 0"))) {
                return false;
            }
        }
        e2e::CommandServer driver(e2e::windowsProgramServer(s_.prefix, s_.build), environment);
        return send(driver, "start") && send(driver, "wait-dialog 60000") &&
               send(driver, "wait " + id(IDC_FIRST_BUTTON) + " 60000 text " + TEXT_YES) &&
               send(driver, "wait " + id(IDC_SECOND_BUTTON) + " 10000 visible") &&
               send(driver, "click " + id(IDC_FIRST_BUTTON)) && send(driver, "wait-gone 180000") &&
               send(driver, "wait-exit 20000", "ok 0");
    }

    Settings s_;
    fs::path work_;
    std::unique_ptr<simulator::UpdateServer> server_;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int radios = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    Settings settings;
    const char* cli = std::getenv("ONDAVOX_BENCH_CLI");
    const char* prefix = std::getenv("ONDAVOX_BENCH_WINEPREFIX");
    const char* build = std::getenv("ONDAVOX_BENCH_WINDOWS_BUILD");
    settings.cli = cli != nullptr ? cli : "";
    settings.prefix = prefix != nullptr ? prefix : "";
    settings.build = build != nullptr ? build : "";

    struct Column {
        Way way;
        const char* title;
        bool available;
        std::vector<std::optional<double>> seconds;
    };
    std::vector<Column> columns = {
        {Way::CommandLineLinux, "ondavox-cli (Linux)", !settings.cli.empty(), {}},
        {Way::CommandLineWine, "ondavox-cli.exe (Wine)", !settings.prefix.empty() && !settings.build.empty(), {}},
        {Way::DialogWine, "dialog, driven (Wine)", !settings.prefix.empty() && !settings.build.empty(), {}},
    };
    Bench bench(settings);
    for (Column& column : columns) {
        if (!column.available) continue;
        std::fprintf(stderr, "== %s\n", column.title);
        for (int radio = 1; radio <= radios; ++radio) {
            column.seconds.push_back(bench.provision(column.way, radio));
        }
    }

    std::printf(
        "Provisioning %d radios one after the other: plugged in read-only, preset \"%s / %s\" and a PIN,\n"
        "then a %zu MiB firmware image installed; seconds per radio, from plugging it in to the end\n\n",
        radios, COUNTRY, PROVIDER, IMAGE_BYTES / (1024 * 1024));
    std::printf("%-7s", "radio");
    for (const Column& column : columns) {
        if (column.available) std::printf("  %24s", column.title);
    }
    std::printf("\n");
    for (int radio = 0; radio < radios; ++radio) {
        std::printf("%-7d", radio + 1);
        for (const Column& column : columns) {
            if (!column.available) continue;
            if (column.seconds[radio]) {
                std::printf("  %24.2f", *column.seconds[radio]);
            } else {
                std::printf("  %24s", "failed");
            }
        }
        std::printf("\n");
    }
    bool allDone = true;
    std::printf("%-7s", "median");
    for (const Column& column : columns) {
        if (!column.available) continue;
        std::vector<double> done;
        for (const auto& seconds : column.seconds) {
            if (seconds)
                done.push_back(*seconds);
            else
                allDone = false;
        }
        std::printf("  %24.2f", median(done));
    }
    std::printf("\n%-7s", "total");
    for (const Column& column : columns) {
        if (!column.available) continue;
        double total = 0;
        for (const auto& seconds : column.seconds) total += seconds.value_or(0);
        std::printf("  %24.2f", total);
    }
    std::printf("\n");
    return allDone ? 0 : 1;
}
