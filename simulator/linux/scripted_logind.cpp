#include "simulator/linux/scripted_logind.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <utility>

#include "simulator/common/file_descriptor.h"
#include "simulator/linux/child_process.h"
#include "simulator/linux/scripted_udisks2.h"

namespace simulator {

namespace {

constexpr auto START_TIMEOUT = std::chrono::seconds(20);

}  // namespace

ScriptedLogind::ScriptedLogind(ScriptedLogindOptions options) : options_(std::move(options)) {
    log_.echo(options_.echo);
}

ScriptedLogind::~ScriptedLogind() { stop(); }

bool ScriptedLogind::start(const std::string& busAddress, std::string& error) {
    const auto deadline = std::chrono::steady_clock::now() + START_TIMEOUT;
    int servicePipe[2];
    if (::pipe2(servicePipe, O_CLOEXEC) != 0) {
        error = "no pipe";
        return false;
    }
    FileDescriptor serviceWrite(servicePipe[1]);
    std::vector<std::string> argv{options_.python, scriptedUDisks2Folder() + "/logind_service.py", "--address",
                                  busAddress};
    for (const std::string& part : options_.refusedParts) {
        argv.push_back("--refuse");
        argv.push_back(part);
    }
    servicePid_ = spawn(argv, serviceWrite.get(), serviceWrite.get());
    serviceWrite.reset();
    if (servicePid_ < 0) {
        ::close(servicePipe[0]);
        error = "cannot start " + options_.python;
        return false;
    }
    serviceEnded_ = false;
    reader_ = std::thread([this, fd = servicePipe[0]] {
        forwardLines(fd, log_);
        serviceEnded_ = true;
    });
    while (!log_.waitFor("ready", std::chrono::milliseconds(50))) {
        if (serviceEnded_ || std::chrono::steady_clock::now() > deadline) {
            error = "the logind stand-in did not start:";
            for (const std::string& line : log_.lines()) {
                error += "\n" + line;
            }
            stop();
            return false;
        }
    }
    return true;
}

void ScriptedLogind::stop() {
    endProcess(servicePid_);
    if (reader_.joinable()) {
        reader_.join();
    }
}

}  // namespace simulator
