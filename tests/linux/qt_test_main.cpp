// The Qt tests' entry: one QApplication for all of them, on Qt's offscreen
// platform unless another is asked for, and a watchdog: a test that has not
// ended after a minute (a modal run nobody closes, a worker that never
// returns) ends the program with its name instead of hanging the test run.

#include <QApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace {

class Watchdog : public ::testing::EmptyTestEventListener {
public:
    Watchdog() : thread_([this] { watch(); }) {}
    ~Watchdog() override {
        {
            std::lock_guard<std::mutex> guard(lock_);
            stopping_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }

    void OnTestStart(const ::testing::TestInfo& test) override {
        std::lock_guard<std::mutex> guard(lock_);
        running_ = std::string(test.test_suite_name()) + "." + test.name();
        ++started_;
        changed_.notify_all();
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        std::lock_guard<std::mutex> guard(lock_);
        running_.clear();
        changed_.notify_all();
    }

private:
    void watch() {
        std::unique_lock<std::mutex> guard(lock_);
        while (!stopping_) {
            if (running_.empty()) {
                changed_.wait(guard);
                continue;
            }
            const int test = started_;
            const bool ended = changed_.wait_for(guard, std::chrono::seconds(60),
                                                 [&] { return stopping_ || started_ != test || running_.empty(); });
            if (!ended) {
                std::fprintf(stderr, "%s has not ended within 60 s\n", running_.c_str());
                std::abort();
            }
        }
    }

    std::mutex lock_;
    std::condition_variable changed_;
    std::string running_;
    int started_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new Watchdog);
    return RUN_ALL_TESTS();
}
