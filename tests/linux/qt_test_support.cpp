#include "tests/linux/qt_test_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace qttest {

namespace {

constexpr int WORKER_LIMIT_MS = 10000;

}  // namespace

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
