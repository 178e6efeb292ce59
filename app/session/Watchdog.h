// Watches a phase that runs package code on the calling thread (start-up, shut-down) from a
// thread of its own, and calls its handler when the phase outlasts its time. The platform runs on
// the calling thread only, which a package that never returns keeps for good; the handler is
// expected to end the process.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace kaldor {

class Watchdog final {
public:
    // `expired` gets the name of the phase that outlasted `limit`; it runs on the watchdog's
    // thread while the watched thread is still inside the phase.
    Watchdog(std::chrono::milliseconds limit, std::function<void(const std::string&)> expired);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // A phase begins now; its time starts.
    void Begin(const std::string& phase);
    // The phase is over.
    void End();

private:
    void Watch();

    const std::chrono::milliseconds limit_;
    const std::function<void(const std::string&)> expired_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string phase_; // guarded by mutex_; empty when no phase runs
    unsigned generation_ = 0;
    bool stopping_ = false;
    std::thread thread_; // last: starts once everything it reads is there
};

} // namespace kaldor
