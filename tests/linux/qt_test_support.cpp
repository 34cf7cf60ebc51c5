#include "tests/linux/qt_test_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "app/ui_strings.h"
#include "platform/language.h"
#include "program/linux/program.h"

namespace qttest {

namespace {

constexpr int WORKER_LIMIT_MS = 10000;

constexpr const char* LOCALE_VARIABLES[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};

void setVariable(const char* name, const char* value) {
    if (value != nullptr) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
}

}  // namespace

ProgramLanguage::ProgramLanguage(const char* language, const char* all, const char* messages, const char* lang) {
    const char* values[] = {language, all, messages, lang};
    for (int at = 0; at < 4; ++at) {
        const char* old = std::getenv(LOCALE_VARIABLES[at]);
        wasSet_[at] = old != nullptr;
        saved_[at] = old != nullptr ? old : "";
        setVariable(LOCALE_VARIABLES[at], values[at]);
    }
    program::takeUserLanguage();
}

ProgramLanguage::~ProgramLanguage() {
    for (int at = 0; at < 4; ++at) {
        setVariable(LOCALE_VARIABLES[at], wasSet_[at] ? saved_[at].c_str() : nullptr);
    }
    platform::selectLanguage(0);
    app::loadUiStrings();
    QGuiApplication::setLayoutDirection(Qt::LeftToRight);
}

std::string controlName(int id) {
    static const std::map<int, std::string> names = [] {
        // #define IDC_NAME 1001, or #define IDC_NAME (-1); the first name of a number
        std::map<int, std::string> found;
        std::ifstream header(ONDAVOX_SOURCE_DIR "/res/control_ids.h");
        std::string line;
        while (std::getline(header, line)) {
            std::istringstream words(line);
            std::string directive, name, value;
            words >> directive >> name >> value;
            if (directive != "#define" || name.rfind("IDC_", 0) != 0 || value.empty()) continue;
            if (value.front() == '(') value = value.substr(1, value.size() - 2);
            found.emplace(std::stoi(value), name);
        }
        return found;
    }();
    const auto name = names.find(id);
    return name != names.end() ? name->second : std::to_string(id);
}

void waitUntil(const std::function<bool()>& condition, bool serviceEvents) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!condition()) {
        if (elapsed.elapsed() > WORKER_LIMIT_MS) {
            std::fprintf(stderr, "a worker's dialog operation has not returned within %d ms\n", WORKER_LIMIT_MS);
            std::abort();
        }
        if (serviceEvents) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

void runOnWorker(const std::function<void()>& work, bool serviceEvents) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
    });
    waitUntil([&done] { return done.load(); }, serviceEvents);
    worker.join();
}

void handleEventsFor(int milliseconds) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

void onNextModalDialog(std::function<void(QDialog&)> act) {
    auto* timer = new QTimer;
    auto* started = new QElapsedTimer;
    started->start();
    QPointer<QWidget> before = QApplication::activeModalWidget();
    QObject::connect(timer, &QTimer::timeout, [timer, started, before, act] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<QDialog*>(modal);
        const bool opened = dialog != nullptr && modal != before.data();
        if (opened || started->elapsed() > 5000) {
            timer->stop();
            timer->deleteLater();
            delete started;
            if (opened) {
                act(*dialog);
            } else {
                ADD_FAILURE() << "no modal dialog opened within 5 s";
            }
        }
    });
    timer->start(5);
}

}  // namespace qttest
