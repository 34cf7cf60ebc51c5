#include "simulator/linux/scripted_udisks2.h"

#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <utility>
#include <vector>

#include "simulator/common/file_descriptor.h"
#include "simulator/linux/child_process.h"

namespace simulator {

namespace {

constexpr char SERVICE[] = "org.freedesktop.UDisks2";
constexpr char ROOT_PATH[] = "/org/freedesktop/UDisks2";
constexpr char CONTROL[] = "org.ondavox.Simulator.UDisks2";
constexpr auto START_TIMEOUT = std::chrono::seconds(20);

struct BusDeleter {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageDeleter {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};

}  // namespace

// A call of the control interface: its method and the settings it sends.
struct ScriptedUDisks2::Call {
    const char* method;
    std::string name;
    std::vector<std::pair<std::string, std::string>> texts;
    std::vector<std::pair<std::string, bool>> flags;
    bool withSettings = true;
    bool withAwaySeconds = false;
    double awaySeconds = 0;
};

std::string scriptedUDisks2Folder() { return ONDAVOX_SCRIPTED_UDISKS2_DIR; }

ScriptedUDisks2::ScriptedUDisks2(ScriptedUDisks2Options options) : options_(std::move(options)) {
    if (options_.serviceScript.empty()) {
        options_.serviceScript = scriptedUDisks2Folder() + "/udisks2_service.py";
    }
    if (options_.busConfig.empty()) {
        options_.busConfig = scriptedUDisks2Folder() + "/private-bus.conf";
    }
    log_.echo(options_.echo);
}

ScriptedUDisks2::~ScriptedUDisks2() { stop(); }

bool ScriptedUDisks2::start(std::string& error) {
    const auto deadline = std::chrono::steady_clock::now() + START_TIMEOUT;
    int busPipe[2];
    if (::pipe2(busPipe, O_CLOEXEC) != 0) {
        error = "no pipe";
        return false;
    }
    FileDescriptor busWrite(busPipe[1]);
    busOutput_ = busPipe[0];
    busPid_ = spawn({"dbus-daemon", "--config-file=" + options_.busConfig, "--nofork", "--print-address=1"},
                    busWrite.get(), -1);
    busWrite.reset();
    if (busPid_ < 0) {
        error = "cannot start dbus-daemon";
        stop();
        return false;
    }
    if (!readLine(busOutput_, busAddress_, deadline) || busAddress_.empty()) {
        error = "dbus-daemon printed no address";
        stop();
        return false;
    }
    if (!options_.withService) {
        return true;
    }

    if (!service_.start({options_.python, options_.serviceScript, "--address", busAddress_},
                        "the scripted UDisks2 service", log_, deadline, error)) {
        stop();
        return false;
    }
    return true;
}

void ScriptedUDisks2::stop() {
    service_.stop();
    endProcess(busPid_);
    if (busOutput_ >= 0) {
        ::close(busOutput_);
        busOutput_ = -1;
    }
}

bool ScriptedUDisks2::call(Call& c, std::string& error) {
    sd_bus* opened = nullptr;
    if (sd_bus_new(&opened) < 0) {
        error = "no bus object";
        return false;
    }
    std::unique_ptr<sd_bus, BusDeleter> bus(opened);
    if (sd_bus_set_address(bus.get(), busAddress_.c_str()) < 0 || sd_bus_set_bus_client(bus.get(), 1) < 0 ||
        sd_bus_start(bus.get()) < 0) {
        error = "cannot connect to " + busAddress_;
        return false;
    }
    sd_bus_message* created = nullptr;
    if (sd_bus_message_new_method_call(bus.get(), &created, SERVICE, ROOT_PATH, CONTROL, c.method) < 0) {
        error = "cannot make the call";
        return false;
    }
    std::unique_ptr<sd_bus_message, MessageDeleter> message(created);
    int r = sd_bus_message_append(message.get(), "s", c.name.c_str());
    if (c.withSettings) {
        if (r >= 0) r = sd_bus_message_open_container(message.get(), 'a', "{sv}");
        for (const auto& [key, value] : c.texts) {
            if (r >= 0) r = sd_bus_message_append(message.get(), "{sv}", key.c_str(), "s", value.c_str());
        }
        for (const auto& [key, value] : c.flags) {
            if (r >= 0) r = sd_bus_message_append(message.get(), "{sv}", key.c_str(), "b", static_cast<int>(value));
        }
        if (r >= 0) r = sd_bus_message_close_container(message.get());
    }
    if (c.withAwaySeconds && r >= 0) {
        r = sd_bus_message_append(message.get(), "d", c.awaySeconds);
    }
    if (r < 0) {
        error = "cannot fill the call";
        return false;
    }
    sd_bus_error failure = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    r = sd_bus_call(bus.get(), message.get(), 0, &failure, &reply);
    sd_bus_message_unref(reply);
    if (r < 0) {
        error = std::string(c.method) + ": " + (failure.message != nullptr ? failure.message : std::strerror(-r));
    }
    sd_bus_error_free(&failure);
    return r >= 0;
}

bool ScriptedUDisks2::addVolume(const ScriptedVolume& volume, std::string& error) {
    Call c{"AddVolume", volume.name, {}, {}};
    c.texts = {{"id_type", volume.idType},         {"id_version", volume.idVersion},
               {"id_uuid", volume.idUuid},         {"mount_point", volume.mountPoint},
               {"mount_target", volume.mountTarget}, {"mount_error", volume.mountError},
               {"mount_error_message", volume.mountErrorMessage}};
    c.flags = {{"read_only", volume.readOnly},
               {"removable", volume.removable},
               {"media_removable", volume.mediaRemovable}};
    return call(c, error);
}

bool ScriptedUDisks2::removeVolume(const std::string& name, std::string& error) {
    Call c{"RemoveVolume", name, {}, {}};
    c.withSettings = false;
    return call(c, error);
}

bool ScriptedUDisks2::switchToWritable(const std::string& name, const std::string& mountPoint,
                                       const std::string& mountTarget, double awaySeconds, std::string& error) {
    Call c{"SwitchToWritable", name, {{"mount_point", mountPoint}, {"mount_target", mountTarget}}, {}};
    c.withAwaySeconds = true;
    c.awaySeconds = awaySeconds;
    return call(c, error);
}

bool ScriptedUDisks2::ejectMedium(const std::string& name, std::string& error) {
    Call c{"EjectMedium", name, {}, {}};
    c.withSettings = false;
    return call(c, error);
}

bool ScriptedUDisks2::insertMedium(const std::string& name, const Changes& changes, std::string& error) {
    Call c{"InsertMedium", name, changes, {}};
    return call(c, error);
}

bool ScriptedUDisks2::changeVolume(const std::string& name, const Changes& changes, std::string& error) {
    Call c{"ChangeVolume", name, changes, {}};
    return call(c, error);
}

}  // namespace simulator
