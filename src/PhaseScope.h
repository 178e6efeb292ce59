// Brackets one step: the entry action runs at construction, the exit action at destruction,
// also when an exception or an early return leaves the step.
#pragma once

#include <exception>
#include <functional>
#include <utility>

namespace VELMORA::NEVRA::Platform {

class PhaseScope final {
public:
    using Action = std::function<void()>;

    // An empty action throws std::bad_function_call, as calling any empty function object does.
    // The entry action runs here and is not kept, so it is called as it comes rather than made a
    // function object, which would take memory for any lambda holding more than two references.
    template <typename Entry>
    PhaseScope(Entry&& entry, Action exit)
        : exit_(std::move(exit)), unwinding_(std::uncaught_exceptions()) {
        std::forward<Entry>(entry)();
    }
    ~PhaseScope() noexcept(false) {
        if (!active_) {
            return;
        }
        if (std::uncaught_exceptions() > unwinding_) {
            // Left by an exception: one from the exit action too (out of memory for its record)
            // would end the process, so the first one is the one that goes on.
            try {
                exit_();
            } catch (...) {
            }
            return;
        }
        exit_();
    }

    PhaseScope(PhaseScope&& other) noexcept
        : exit_(std::move(other.exit_)), unwinding_(other.unwinding_), active_(other.active_) {
        other.active_ = false;
    }
    PhaseScope& operator=(PhaseScope&&) = delete;
    PhaseScope(const PhaseScope&) = delete;
    PhaseScope& operator=(const PhaseScope&) = delete;

private:
    Action exit_;
    int unwinding_; // exceptions already in flight when the scope began
    bool active_ = true;
};

} // namespace VELMORA::NEVRA::Platform
