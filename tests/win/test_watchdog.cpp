// A watchdog for the Windows-side test programs: a test that runs past its
// time is named and the program ends as failed, instead of the whole run
// sitting until ctest's time-out names nothing.
//
// It runs on a thread of its own because a stuck test usually sits in a
// nested message loop (a message box nobody answers, a modal window that
// never ends), where no timer of the test's own thread can reach it. From
// another thread the one sure way out is to end the process, after naming
// the test on stderr and stdout.
//
// XCJY_TEST_WATCHDOG_SECONDS sets the limit per test (default 120; 0 turns
// the watchdog off, for a debugger).
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

std::chrono::seconds Limit() {
    const char* text = std::getenv("XCJY_TEST_WATCHDOG_SECONDS");
    const long seconds = text && *text ? std::strtol(text, nullptr, 10) : 120;
    return std::chrono::seconds(seconds > 0 ? seconds : 0);
}

[[noreturn]] void EndStuck(const std::string& name, std::chrono::seconds limit) {
    std::fprintf(stderr,
                 "\n[ WATCHDOG ] %s still runs after %lld s: stuck, most likely in a message loop of its own "
                 "(an unanswered box, a modal window that never ends). The test program ends here.\n",
                 name.c_str(), static_cast<long long>(limit.count()));
    std::fflush(stderr);
    std::printf("[  FAILED  ] %s (ended by the watchdog)\n", name.c_str());
    std::fflush(stdout);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    for (;;) ::Sleep(INFINITE);
}

// What the test thread and the watchdog thread share. Made once and never
// destroyed: the watchdog thread waits on it until the process ends, also
// while static objects are destroyed at exit.
struct Watch {
    std::mutex mutex;
    std::condition_variable changed;
    std::string running;  // the test that runs, empty between tests
    Clock::time_point deadline;
    std::chrono::seconds limit = Limit();

    void Run() {
        std::unique_lock lock(mutex);
        for (;;) {
            if (running.empty()) {
                changed.wait(lock);
            } else if (Clock::now() >= deadline) {
                EndStuck(running, limit);
            } else {
                changed.wait_until(lock, deadline);
            }
        }
    }
};

Watch& TheWatch() {
    static Watch* watch = new Watch;
    return *watch;
}

class WatchdogListener : public testing::EmptyTestEventListener {
public:
    void OnTestStart(const testing::TestInfo& test) override {
        Watch& watch = TheWatch();
        if (watch.limit.count() == 0) return;
        {
            std::lock_guard lock(watch.mutex);
            watch.running = std::string(test.test_suite_name()) + "." + test.name();
            watch.deadline = Clock::now() + watch.limit;
        }
        if (!m_started) {
            std::thread([&watch] { watch.Run(); }).detach();
            m_started = true;
        }
        watch.changed.notify_one();
    }

    void OnTestEnd(const testing::TestInfo&) override {
        Watch& watch = TheWatch();
        {
            std::lock_guard lock(watch.mutex);
            watch.running.clear();
        }
        watch.changed.notify_one();
    }

private:
    bool m_started = false;
};

// Installed before gtest_main runs the tests; gtest owns the listener.
const bool kInstalled = [] {
    testing::UnitTest::GetInstance()->listeners().Append(new WatchdogListener);
    return true;
}();

}  // namespace
