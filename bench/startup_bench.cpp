// Start-up benchmark of the two programs as a user starts them, measured from
// outside through the end-to-end tests' command servers (the program is
// started by the server, which then looks at its dialog every millisecond):
//  - waiting: from the start to the dialog showing the waiting text, no radio;
//  - form: from the start, with a writable radio present and no newer
//    firmware, to the form shown, minus the 2500 ms the startup task pauses
//    on purpose (1000 ms after the radio is found, 1000 ms after it is read,
//    500 ms before the form);
//  - floor: an empty program of the same kind (one dialog with one text)
//    started the same way, to its text shown: what starting any program and
//    looking at it costs here.
// Each figure is the median of several runs (min and max beside it); the
// columns "own" are the program's figure minus its floor.
//
// The Linux program runs on the display of $DISPLAY inside the session bus
// this runs in (the accessibility bus carries its dialog), the simulated
// radio on a scripted UDisks2 bus; the Windows program runs under Wine in the
// simulator's prefix. bench/run-startup-bench.sh prepares all of it.
//
// Usage: ondavox_startup_bench [runs, default 5]
// Environment: ONDAVOX_BENCH_LINUX_PROGRAM, ONDAVOX_BENCH_LINUX_FLOOR (the
// programs), ONDAVOX_BENCH_WINEPREFIX, ONDAVOX_BENCH_WINDOWS_BUILD,
// ONDAVOX_BENCH_WINDOWS_FLOOR (a Windows path); a kind without its settings
// is left out.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "res/control_ids.h"
#include "res/strings.h"
#include "simulator/linux/scripted_udisks2.h"
#include "simulator/radio_sim/radio_simulator.h"
#include "simulator/update_server/update_server.h"
#include "tests/e2e/command_server.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double STARTUP_PAUSES_MS = 1000 + 1000 + 500;
constexpr char FLOOR_TEXT[] = "ready";

enum class Kind { Linux, Windows };

struct Settings {
    Kind kind;
    std::string program;  // Linux: the program; Windows: empty (ondavox.exe beside the server)
    std::string floor;    // the empty program (a Windows path for Windows)
    std::string prefix;   // Windows
    std::string build;    // Windows
};

struct Figures {
    std::vector<double> runs;
    double median() const {
        std::vector<double> sorted = runs;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? 0 : sorted[sorted.size() / 2];
    }
    double min() const { return runs.empty() ? 0 : *std::min_element(runs.begin(), runs.end()); }
    double max() const { return runs.empty() ? 0 : *std::max_element(runs.begin(), runs.end()); }
};

std::string escape(const std::string& text) { return e2e::CommandServer::escape(text); }

class Bench {
public:
    explicit Bench(Settings settings) : s_(std::move(settings)) {
        work_ = fs::temp_directory_path() / ("ondavox-startup-bench-" + std::to_string(::getpid()));
        fs::remove_all(work_);
        fs::create_directories(work_);
    }
    ~Bench() { fs::remove_all(work_); }

    // One start of program (empty: the utility), timed until each of waits
    // answers "ok" in turn; nullopt when one never did.
    std::optional<std::vector<double>> timeStart(const std::string& program, const std::vector<std::string>& waits,
                                                 const std::string& busAddress, const std::string& proxy) {
        std::vector<std::string> environment;
        if (!proxy.empty()) environment.push_back("http_proxy=" + proxy);
        e2e::CommandServer driver(s_.kind == Kind::Windows ? e2e::windowsProgramServer(s_.prefix, s_.build)
                                                           : e2e::linuxProgramServer(ONDAVOX_SOURCE_DIR, busAddress),
                                  environment);
        if (driver.send("poll 1") != "ok") return std::nullopt;
        const std::string start = program.empty() ? std::string("start") : "start " + program;
        const Clock::time_point started = Clock::now();
        if (driver.send(start) != "ok" || driver.send("wait-dialog 30000") != "ok") return std::nullopt;
        std::vector<double> times;
        for (const std::string& wait : waits) {
            const std::string answer = driver.send(wait);
            if (answer != "ok") {
                std::fprintf(stderr, "  %s: %s\n", wait.c_str(), answer.c_str());
                return std::nullopt;
            }
            times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - started).count());
        }
        return times;
    }

    // Starts of program with no radio (on Linux, a bus where UDisks2 has
    // none), each timed until the Info area reads text.
    Figures startsWithoutRadio(int runs, const std::string& program, const char* text) {
        Figures figures;
        for (int i = 0; i < runs; ++i) {
            simulator::ScriptedUDisks2 bus;
            std::string error;
            if (s_.kind == Kind::Linux && !bus.start(error)) return figures;
            if (auto ms = timeStart(program, {"wait -1 20000 text " + escape(text)}, bus.busAddress(), "")) {
                figures.runs.push_back(ms->back());
            }
        }
        return figures;
    }

    Figures floor(int runs) { return startsWithoutRadio(runs, s_.floor, FLOOR_TEXT); }
    Figures waiting(int runs) { return startsWithoutRadio(runs, s_.program, TEXT_WAITING_FOR_DEVICE); }

    // Where the time to the form goes, each stage without its pause: the
    // radio found (the first line done), switched (the radio is writable:
    // its flags read), read and the form filled, and the version check
    // until the form shows.
    Figures stages[4];

    Figures form(int runs) {
        Figures figures;
        simulator::UpdateServer server(simulator::UpdateServerOptions{
            std::string(ONDAVOX_SOURCE_DIR) + "/simulator/server-current", 0, "", false});
        std::string error;
        if (!server.start(error)) {
            std::fprintf(stderr, "  update server: %s\n", error.c_str());
            return figures;
        }
        for (int i = 0; i < runs; ++i) {
            simulator::RadioOptions options;
            if (s_.kind == Kind::Windows) {
                options.winePrefix = s_.prefix;
                options.windowsTools = s_.build + "/simulator";
            } else {
                options.connection = simulator::RadioConnection::UDisks2;
            }
            options.radioFolder = std::string(ONDAVOX_SOURCE_DIR) + "/simulator/radios/hxa-v2";
            options.workFolder = (work_ / ("radio" + std::to_string(i))).string();
            options.echo = false;
            simulator::RadioSimulator radio(options);
            if (!radio.start(error)) {
                std::fprintf(stderr, "  radio: %s\n", error.c_str());
                return figures;
            }
            const std::vector<std::string> waits = {
                "wait -1 30000 contains " + escape(TEXT_INITIALIZING_DEVICE),
                "wait -1 30000 contains " + escape(TEXT_READING_DEVICE),
                "wait -1 30000 contains " + escape(TEXT_CHECKING_UPDATE),
                "wait " + std::to_string(IDC_ROAMING_CHECK) + " 30000 visible",
            };
            if (auto ms = timeStart(s_.program, waits, radio.busAddress(), server.proxyUrl())) {
                const std::vector<double>& t = *ms;
                figures.runs.push_back(t[3] - STARTUP_PAUSES_MS);
                stages[0].runs.push_back(t[0]);
                stages[1].runs.push_back(t[1] - t[0] - 1000);
                stages[2].runs.push_back(t[2] - t[1] - 1500);
                stages[3].runs.push_back(t[3] - t[2]);
            }
        }
        return figures;
    }

private:
    Settings s_;
    fs::path work_;
};

void printRow(const char* what, const Figures& figures, const Figures* floor) {
    if (figures.runs.empty()) {
        std::printf("  %-34s %10s\n", what, "failed");
        return;
    }
    std::printf("  %-34s %8.1f ms  (%6.1f .. %6.1f)", what, figures.median(), figures.min(), figures.max());
    if (floor != nullptr && !floor->runs.empty()) {
        std::printf("   own %7.1f ms", figures.median() - floor->median());
    }
    std::printf("\n");
}

void runKind(const char* title, const Settings& settings, int runs) {
    std::printf("%s (median of %d; min .. max)\n", title, runs);
    Bench bench(settings);
    const Figures floor = bench.floor(runs);
    printRow("floor: empty program, text shown", floor, nullptr);
    printRow("start to the waiting text", bench.waiting(runs), &floor);
    printRow("start to the form, minus 2500 ms", bench.form(runs), &floor);
    printRow("  of it: start to the radio found", bench.stages[0], nullptr);
    printRow("  of it: switch (writable radio)", bench.stages[1], nullptr);
    printRow("  of it: files read, form filled", bench.stages[2], nullptr);
    printRow("  of it: version check, form shown", bench.stages[3], nullptr);
}

const char* env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    bool any = false;
    if (env("ONDAVOX_BENCH_LINUX_PROGRAM") && env("ONDAVOX_BENCH_LINUX_FLOOR")) {
        runKind("Linux program (Qt, native)",
                {Kind::Linux, env("ONDAVOX_BENCH_LINUX_PROGRAM"), env("ONDAVOX_BENCH_LINUX_FLOOR"), "", ""}, runs);
        any = true;
    }
    if (env("ONDAVOX_BENCH_WINEPREFIX") && env("ONDAVOX_BENCH_WINDOWS_BUILD") && env("ONDAVOX_BENCH_WINDOWS_FLOOR")) {
        runKind("Windows program under Wine",
                {Kind::Windows, "", env("ONDAVOX_BENCH_WINDOWS_FLOOR"), env("ONDAVOX_BENCH_WINEPREFIX"),
                 env("ONDAVOX_BENCH_WINDOWS_BUILD")},
                runs);
        any = true;
    }
    if (!any) {
        std::fprintf(stderr, "nothing to measure: see bench/run-startup-bench.sh\n");
        return 2;
    }
    return 0;
}
