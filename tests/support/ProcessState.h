// What a test may change in its process and must give back: the working directory and the
// environment. Tests run one after another in one process, so a change one leaves behind is an
// input of every test after it.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace TestSupport {

class ProcessState final {
public:
    static ProcessState Now();

    // One line per difference ("cwd: a -> b", "NAME: old -> new", "NAME: unset -> new").
    std::vector<std::string> ChangesTo(const ProcessState& later) const;
    // Makes the process's directory and environment what they were when this was taken.
    void Restore() const;

private:
    std::string directory_;
    struct Variable {
        std::string name;
        std::string value;
    };
    // By the key that tells variables apart (VariableKey).
    std::map<std::string, Variable> environment_;
};

// Gives the process back its directory and environment at the end of a scope: for a test, or a
// test fixture, that changes them on purpose.
class ScopedProcessState final {
public:
    ScopedProcessState() : saved_(ProcessState::Now()) {}
    ~ScopedProcessState() { saved_.Restore(); }
    ScopedProcessState(const ScopedProcessState&) = delete;
    ScopedProcessState& operator=(const ScopedProcessState&) = delete;

private:
    ProcessState saved_;
};

} // namespace TestSupport
