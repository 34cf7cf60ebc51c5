#include "simulator/radio_sim/radio_simulator.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <map>

#include "simulator/common/file_descriptor.h"
#include "simulator/radio_sim/update_check.h"

namespace simulator {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// After the last open of start.html the radio waits this long before it
// leaves: the program reads the file several times in a row.
constexpr auto TRIGGER_QUIET_TIME = std::chrono::milliseconds(500);
// The program polls once a second: a shorter absence may go unseen.
constexpr double SHORTEST_AWAY_SECONDS = 1.5;

constexpr const char* TRIGGER_FILE = "start.html";
constexpr const char* IMAGE_FILE = "doc/update.bin";
constexpr const char* RECORD_FILE = "doc/update.md5";

Clock::duration seconds(double value) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(value));
}

std::string fileSizeText(const fs::path& path) {
    std::error_code error;
    const auto size = fs::file_size(path, error);
    return error ? std::string("size unknown") : std::to_string(size) + " bytes";
}

}  // namespace

struct RadioSimulator::Loop {
    struct FileActivity {
        bool modified = false;
        int ownReads = 0;  // closes that come from the simulator's own reads
    };

    FileDescriptor inotify{::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)};
    FileDescriptor wake{::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)};
    int rootWatch = -1;
    int docWatch = -1;
    std::map<std::string, FileActivity> files;

    Clock::time_point appearAt;
    Clock::time_point returnAt;
    bool triggered = false;
    int triggerOpens = 0;
    Clock::time_point lastTriggerOpen;
    bool imageWritten = false;
};

RadioSimulator::RadioSimulator(RadioOptions options) : options_(std::move(options)) {}

RadioSimulator::~RadioSimulator() { stop(); }

bool RadioSimulator::start(std::string& error) {
    if (started_) {
        error = "the radio has already been started";
        return false;
    }
    RadioOptions& o = options_;
    if (o.awaySeconds < SHORTEST_AWAY_SECONDS) {
        error = "the radio must stay away at least 1.5 s during the switch";
        return false;
    }
    if (o.appearAfterSeconds < 0) {
        error = "the delay before the radio appears cannot be negative";
        return false;
    }
    std::error_code fsError;
    const fs::path radio = fs::absolute(o.radioFolder, fsError);
    if (!fs::is_regular_file(radio / "doc/global-config.cfg", fsError) ||
        !fs::is_regular_file(radio / "doc/status.st", fsError)) {
        error = "\"" + o.radioFolder + "\" is not a radio: doc/global-config.cfg and doc/status.st are needed";
        return false;
    }
    const fs::path work = fs::absolute(o.workFolder, fsError);
    if (o.workFolder.empty() || (fs::exists(work, fsError) && !fs::is_empty(work, fsError))) {
        error = "the work folder \"" + o.workFolder + "\" must be absent or empty";
        return false;
    }
    // The presence's paths must not depend on where programs are started from.
    o.workFolder = work.lexically_normal().string();
    while (o.workFolder.size() > 1 && o.workFolder.back() == '/') {
        o.workFolder.pop_back();
    }
    if (!o.logFile.empty() && !log_.openFile(o.logFile)) {
        error = "cannot write the log file \"" + o.logFile + "\"";
        return false;
    }
    log_.echo(o.echo);
    presence_ = o.connection == RadioConnection::UDisks2 ? makeUDisks2Presence(o, log_)
                                                        : makeWineDrivePresence(o, log_);
    if (!presence_->prepare(error)) {
        presence_.reset();
        return false;
    }

    fs::create_directories(work, fsError);
    fs::copy(radio, work, fs::copy_options::recursive, fsError);
    if (fsError) {
        error = "cannot copy the radio into the work folder: " + fsError.message();
        return false;
    }
    log_.add("radio %s copied to %s", radio.filename().c_str(), o.workFolder.c_str());

    loop_ = std::make_unique<Loop>();
    if (loop_->inotify.get() < 0 || loop_->wake.get() < 0) {
        error = "cannot watch the work folder";
        return false;
    }
    constexpr std::uint32_t EVENTS = IN_OPEN | IN_MODIFY | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE;
    loop_->rootWatch = ::inotify_add_watch(loop_->inotify.get(), o.workFolder.c_str(), EVENTS);
    loop_->docWatch = ::inotify_add_watch(loop_->inotify.get(), (work / "doc").c_str(), EVENTS);
    if (loop_->rootWatch < 0 || loop_->docWatch < 0) {
        error = "cannot watch the work folder";
        return false;
    }

    started_ = true;
    state_ = RadioState::Waiting;
    loop_->appearAt = Clock::now() + seconds(o.appearAfterSeconds);
    if (o.appearAfterSeconds > 0) {
        log_.add("the radio connects in %.1f s", o.appearAfterSeconds);
    }
    thread_ = std::thread([this] { run(); });
    // Without a delay the radio is there when start returns.
    if (o.appearAfterSeconds == 0) {
        while (state_ == RadioState::Waiting) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (state_ == RadioState::Failed) {
            error = "the radio could not connect (see its log)";
            return false;
        }
    }
    return true;
}

void RadioSimulator::stop() {
    if (!started_) {
        return;
    }
    started_ = false;
    const std::uint64_t one = 1;
    if (::write(loop_->wake.get(), &one, sizeof one) < 0) {
        // an event counter only refuses a write when it would overflow
    }
    if (thread_.joinable()) {
        thread_.join();
    }
}

char RadioSimulator::presentLetter() const {
    const std::string location = presentLocation();
    return location.size() == 2 && location[1] == ':' ? location[0] : '\0';
}

void RadioSimulator::connect(bool afterSwitch, bool readOnly) {
    if (!presence_->connect(afterSwitch, readOnly)) {
        state_ = RadioState::Failed;
        return;
    }
    readOnlyNow_ = readOnly;
    loop_->triggered = false;
    loop_->triggerOpens = 0;
    state_ = RadioState::Present;
}

void RadioSimulator::checkUpdate() {
    Loop& loop = *loop_;
    if (!loop.imageWritten) {
        log_.add("update rejected: the record was written but the image was not");
        return;
    }
    loop.imageWritten = false;
    // The check's own reads are not the program's.
    ++loop.files[IMAGE_FILE].ownReads;
    ++loop.files[RECORD_FILE].ownReads;
    const fs::path work(options_.workFolder);
    const UpdateVerdict verdict = checkInstalledUpdate((work / IMAGE_FILE).string(), (work / RECORD_FILE).string());
    log_.add("update %s: %s", verdict.accepted ? "accepted" : "rejected", verdict.detail.c_str());
}

// name: relative to the drive's root, e.g. "doc/status.st".
void RadioSimulator::onFileEvent(const std::string& name, std::uint32_t mask) {
    Loop& loop = *loop_;
    const bool readOnlyRadio = state_ == RadioState::Present && readOnlyNow_;
    if (name == TRIGGER_FILE && (mask & IN_OPEN) != 0) {
        ++loop.triggerOpens;
        if (readOnlyRadio) {
            log_.add("start.html opened (%d)", loop.triggerOpens);
            loop.triggered = true;
            loop.lastTriggerOpen = Clock::now();
        } else {
            log_.add("start.html opened (%d); the radio is writable, nothing happens", loop.triggerOpens);
        }
        return;
    }
    Loop::FileActivity& file = loop.files[name];
    if ((mask & IN_MODIFY) != 0) {
        file.modified = true;
    }
    if ((mask & IN_CLOSE_WRITE) != 0) {
        if (!file.modified) {
            log_.add("%s opened for writing and closed unchanged", name.c_str());
            return;
        }
        file.modified = false;
        log_.add("%s written (now %s)%s", name.c_str(), fileSizeText(fs::path(options_.workFolder) / name).c_str(),
                 readOnlyRadio ? "; a real radio refuses writes while it is read-only" : "");
        if (name == IMAGE_FILE) {
            loop.imageWritten = true;
        } else if (name == RECORD_FILE) {
            checkUpdate();
        }
    }
    if ((mask & IN_CLOSE_NOWRITE) != 0) {
        if (file.ownReads > 0) {
            --file.ownReads;
        } else if (name != TRIGGER_FILE) {
            log_.add("%s read", name.c_str());
        }
    }
}

void RadioSimulator::readFileEvents() {
    Loop& loop = *loop_;
    alignas(inotify_event) char buffer[16384];
    ssize_t got;
    while ((got = ::read(loop.inotify.get(), buffer, sizeof buffer)) > 0) {
        for (char* at = buffer; at < buffer + got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            at += sizeof(inotify_event) + event->len;
            if (event->len == 0 || (event->mask & IN_ISDIR) != 0) {
                continue;
            }
            const std::string base = event->name;
            onFileEvent(event->wd == loop.docWatch ? "doc/" + base : base, event->mask);
        }
    }
}

// When the radio next acts on its own: it appears, leaves after the
// trigger, or comes back.
std::chrono::steady_clock::time_point RadioSimulator::nextAction() const {
    const Loop& loop = *loop_;
    switch (state_.load()) {
        case RadioState::Waiting: return loop.appearAt;
        case RadioState::Present:
            return loop.triggered ? loop.lastTriggerOpen + TRIGGER_QUIET_TIME : Clock::time_point::max();
        case RadioState::Away: return loop.returnAt;
        default: return Clock::time_point::max();
    }
}

void RadioSimulator::run() {
    Loop& loop = *loop_;
    for (;;) {
        const Clock::time_point due = nextAction();
        const Clock::time_point now = Clock::now();
        int timeout = -1;
        if (due != Clock::time_point::max()) {
            timeout = due <= now ? 0
                                 : static_cast<int>(
                                       std::chrono::duration_cast<std::chrono::milliseconds>(due - now).count() + 1);
        }
        pollfd watched[2] = {{loop.inotify.get(), POLLIN, 0}, {loop.wake.get(), POLLIN, 0}};
        if (::poll(watched, 2, timeout) < 0 && errno != EINTR) {
            log_.add("error: cannot wait for events");
            break;
        }
        if ((watched[1].revents & POLLIN) != 0) {
            break;
        }
        if ((watched[0].revents & POLLIN) != 0) {
            readFileEvents();
        }
        if (Clock::now() < nextAction()) {
            continue;
        }
        if (state_ == RadioState::Waiting) {
            connect(false, options_.readOnly);
        } else if (state_ == RadioState::Present) {
            log_.add("switching to writable: leaving %s", presentLocation().c_str());
            presence_->disconnect();
            state_ = RadioState::Away;
            loop.returnAt = Clock::now() + seconds(options_.awaySeconds);
            log_.add("back in %.1f s", options_.awaySeconds);
        } else if (state_ == RadioState::Away) {
            connect(true, false);
        }
    }

    if (!presentLocation().empty()) {
        presence_->disconnect();
    }
    if (state_ != RadioState::Failed) {
        state_ = RadioState::Stopped;
    }
    log_.add("stopped");
}

std::string defaultWindowsToolsFolder() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        return "build/windows/simulator";
    }
    // build/native/simulator/<program> -> build/windows/simulator
    return (self.parent_path().parent_path().parent_path() / "windows/simulator").string();
}

}  // namespace simulator
