// Threads that call a function over and over while a test rewrites its code,
// and the rewriting loop itself: the harness of the code writer's stress tests.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <thread>
#include <vector>

namespace testutil {

// Starts `threads` callers of `callOnce(n)`, n running 0..63 on each thread,
// which says whether the call gave the right answer; they run until Stop() or
// destruction.
class BusyCallers {
public:
    explicit BusyCallers(std::function<bool(int)> callOnce, int threads = 2) : callOnce_(std::move(callOnce)) {
        for (int i = 0; i < threads; ++i) workers_.emplace_back([this] { Run(); });
    }
    ~BusyCallers() { Stop(); }
    BusyCallers(const BusyCallers&) = delete;
    BusyCallers& operator=(const BusyCallers&) = delete;

    // Returns once the callers have made `calls` calls between them, so that a
    // rewrite that follows finds them inside the code.
    void WaitUntilRunning(long calls = 10000) const {
        while (calls_.load() < calls) std::this_thread::yield();
    }
    void Stop() {
        stop_ = true;
        for (auto& w : workers_)
            if (w.joinable()) w.join();
    }
    long calls() const { return calls_.load(); }
    long wrong() const { return wrong_.load(); }

private:
    void Run() {
        while (!stop_.load(std::memory_order_relaxed)) {
            for (int n = 0; n < 64; ++n)
                if (!callOnce_(n)) wrong_.fetch_add(1);
            calls_.fetch_add(64, std::memory_order_relaxed);
        }
    }

    std::function<bool(int)> callOnce_;
    std::atomic<bool> stop_{false};
    std::atomic<long> calls_{0}, wrong_{0};
    std::vector<std::thread> workers_;
};

struct CycleCount {
    std::size_t cycles = 0;
    int failures = 0;  // cycles whose `cycle` said it failed
};

// Runs cycle(0), cycle(1), ... up to `most` of them or as many as fit `budget`:
// under Wine each stop of a thread costs a millisecond or more, so on a busy
// machine that may be only some dozens.
inline CycleCount RunCycles(std::size_t most, std::chrono::steady_clock::duration budget,
                            const std::function<bool(std::size_t)>& cycle) {
    CycleCount count;
    const auto start = std::chrono::steady_clock::now();
    for (; count.cycles < most && std::chrono::steady_clock::now() - start < budget; ++count.cycles)
        count.failures += !cycle(count.cycles);
    return count;
}

}  // namespace testutil
