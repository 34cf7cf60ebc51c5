// ondavox-update-server: serves a folder of firmware channels on 127.0.0.1
// until SIGINT or SIGTERM.

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "simulator/update_server/update_server.h"

namespace {

const char USAGE[] =
    "usage: ondavox-update-server --root DIR --port N [--log FILE] [--rate BYTES] [--quiet]\n"
    "\n"
    "Serves the files below DIR (e.g. simulator/server) to HTTP GET requests on\n"
    "127.0.0.1:N, as the update server does for the utility. Point the utility's\n"
    "http_proxy at http://127.0.0.1:N; requests in proxy (absolute) form are\n"
    "served like plain ones. Port 0 takes a free port; the first line printed\n"
    "names it. Each request is logged with its path and User-Agent.\n"
    "\n"
    "  --root DIR   the folder served as \"/\"\n"
    "  --port N     the port on 127.0.0.1 (0: any free one)\n"
    "  --log FILE   also write the request log to FILE\n"
    "  --rate BYTES send each file at most BYTES a second, as over a slow line\n"
    "               (a number, or with K or M for KiB or MiB: 4M)\n"
    "  --quiet      do not echo the log to standard output\n";

int usageError(const std::string& message) {
    std::fprintf(stderr, "ondavox-update-server: %s\n\n%s", message.c_str(), USAGE);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    simulator::UpdateServerOptions options;
    bool portGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            std::printf("%s", USAGE);
            return 0;
        } else if (option == "--quiet") {
            options.echo = false;
        } else if (i + 1 >= argc) {
            return usageError("missing value after " + option);
        } else if (option == "--root") {
            options.root = argv[++i];
        } else if (option == "--log") {
            options.logFile = argv[++i];
        } else if (option == "--rate") {
            char* end = nullptr;
            const unsigned long long rate = std::strtoull(argv[++i], &end, 10);
            const std::string unit = end;
            const unsigned long long scale = unit.empty() ? 1 : unit == "K" ? 1024 : unit == "M" ? 1024 * 1024 : 0;
            if (end == argv[i] || scale == 0 || rate == 0 || argv[i][0] == '-') {
                return usageError("--rate takes a positive number of bytes, or of KiB or MiB with K or M");
            }
            options.bytesPerSecond = rate * scale;
        } else if (option == "--port") {
            char* end = nullptr;
            const long port = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || port < 0 || port > 65535) {
                return usageError("--port takes a number from 0 to 65535");
            }
            options.port = static_cast<std::uint16_t>(port);
            portGiven = true;
        } else {
            return usageError("unknown option " + option);
        }
    }
    if (options.root.empty() || !portGiven) {
        return usageError("--root and --port are needed");
    }

    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    simulator::UpdateServer server(options);
    std::string error;
    if (!server.start(error)) {
        std::fprintf(stderr, "ondavox-update-server: %s\n", error.c_str());
        return 1;
    }
    if (!options.echo) {
        std::printf("serving %s on 127.0.0.1:%u\n", options.root.c_str(), static_cast<unsigned>(server.port()));
        std::fflush(stdout);
    }
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.stop();
    return 0;
}
