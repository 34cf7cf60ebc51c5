#include "simulator/linux/scripted_logind.h"

#include <chrono>
#include <utility>

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
    std::vector<std::string> argv{options_.python, scriptedUDisks2Folder() + "/logind_service.py", "--address",
                                  busAddress};
    for (const std::string& part : options_.refusedParts) {
        argv.push_back("--refuse");
        argv.push_back(part);
    }
    return service_.start(argv, "the logind stand-in", log_, std::chrono::steady_clock::now() + START_TIMEOUT, error);
}

void ScriptedLogind::stop() { service_.stop(); }

}  // namespace simulator
