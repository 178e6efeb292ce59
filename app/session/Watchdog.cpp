#include "Watchdog.h"

#include <utility>

namespace kaldor {

Watchdog::Watchdog(std::chrono::milliseconds limit, std::function<void(const std::string&)> expired)
    : limit_(limit), expired_(std::move(expired)), thread_([this] { Watch(); }) {}

Watchdog::~Watchdog() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void Watchdog::Begin(const std::string& phase) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        phase_ = phase;
        ++generation_;
    }
    changed_.notify_all();
}

void Watchdog::End() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        phase_.clear();
        ++generation_;
    }
    changed_.notify_all();
}

void Watchdog::Watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        if (phase_.empty()) {
            changed_.wait(lock);
            continue;
        }
        const unsigned watched = generation_;
        const auto deadline = std::chrono::steady_clock::now() + limit_;
        const bool moved = changed_.wait_until(lock, deadline,
                                               [&] { return stopping_ || generation_ != watched; });
        if (!moved) {
            const std::string phase = phase_;
            lock.unlock();
            expired_(phase);
            lock.lock();
            // A handler that returns has said its word; the phase is not reported twice.
            changed_.wait(lock, [&] { return stopping_ || generation_ != watched; });
        }
    }
}

} // namespace kaldor
