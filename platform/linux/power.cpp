// Sleep and shutdown held off through logind: an inhibitor lock, held as long
// as the descriptor that org.freedesktop.login1.Manager.Inhibit returns stays
// open. sd-bus (libsystemd) on the system bus, or the bus that
// DBUS_SYSTEM_BUS_ADDRESS names.

#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

#include "platform/power.h"

namespace platform {

namespace {

constexpr char WHO[] = "Ondavox Utility";
// The lid switch is not held off by a sleep lock alone: logind ignores
// inhibitors for it unless the lock names it. A service that refuses that
// part still gives sleep and shutdown.
constexpr const char* WHAT_IN_TURN[] = {"sleep:shutdown:handle-lid-switch", "sleep:shutdown"};
// A logind that does not answer within this time does not hold up the write.
constexpr std::uint64_t INHIBIT_TIMEOUT_USEC = 5ULL * 1000 * 1000;

// Errors that say no logind answers at all: asking again for less is useless.
bool nobodyAnswers(const sd_bus_error& error) {
    static const char* const NAMES[] = {
        "org.freedesktop.DBus.Error.ServiceUnknown", "org.freedesktop.DBus.Error.NameHasNoOwner",
        "org.freedesktop.DBus.Error.NoReply",        "org.freedesktop.DBus.Error.Timeout",
        "org.freedesktop.DBus.Error.Disconnected",
    };
    if (!sd_bus_error_is_set(&error)) {
        return true;  // the call failed before any answer (no bus, no descriptor passing)
    }
    for (const char* name : NAMES) {
        if (std::strcmp(error.name, name) == 0) {
            return true;
        }
    }
    return false;
}

class Bus {
public:
    Bus() {
        if (sd_bus_open_system(&bus_) < 0) {
            bus_ = nullptr;
        }
    }
    ~Bus() {
        if (bus_ != nullptr) {
            sd_bus_flush_close_unref(bus_);
        }
    }
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;
    sd_bus* get() const { return bus_; }

private:
    sd_bus* bus_ = nullptr;
};

// The lock's own descriptor, or -1; refused says whether the service answered
// with a refusal (rather than not at all).
int inhibit(sd_bus* bus, const char* what, const char* why, bool& refused) {
    refused = false;
    sd_bus_message* call = nullptr;
    sd_bus_message* reply = nullptr;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    int descriptor = -1;
    if (sd_bus_message_new_method_call(bus, &call, "org.freedesktop.login1", "/org/freedesktop/login1",
                                       "org.freedesktop.login1.Manager", "Inhibit") >= 0 &&
        sd_bus_message_append(call, "ssss", what, WHO, why, "block") >= 0) {
        if (sd_bus_call(bus, call, INHIBIT_TIMEOUT_USEC, &error, &reply) >= 0) {
            int borrowed = -1;
            // The reply owns its descriptor; the lock lives on in a copy.
            if (sd_bus_message_read(reply, "h", &borrowed) >= 0 && borrowed >= 0) {
                descriptor = ::fcntl(borrowed, F_DUPFD_CLOEXEC, 3);
            }
        } else {
            refused = !nobodyAnswers(error);
        }
    }
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    sd_bus_message_unref(call);
    return descriptor;
}

}  // namespace

SleepInhibitor::SleepInhibitor(const char* why) {
    const Bus bus;
    if (bus.get() == nullptr) {
        return;  // no system bus: nothing to ask, the work goes on
    }
    for (const char* what : WHAT_IN_TURN) {
        bool refused = false;
        handle_ = inhibit(bus.get(), what, why, refused);
        if (handle_ >= 0 || !refused) {
            return;
        }
    }
}

SleepInhibitor::~SleepInhibitor() { release(); }

void SleepInhibitor::release() {
    if (handle_ >= 0) {
        ::close(handle_);
        handle_ = -1;
    }
}

}  // namespace platform
