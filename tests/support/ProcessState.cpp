#include "ProcessState.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

extern char** environ;

namespace TestSupport {

ProcessState ProcessState::Now() {
    ProcessState state;
    std::error_code error;
    state.directory_ = std::filesystem::current_path(error).string();
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text(*entry);
        const auto equals = text.find('=');
        if (equals != std::string::npos) {
            state.environment_.emplace(text.substr(0, equals), text.substr(equals + 1));
        }
    }
    return state;
}

std::vector<std::string> ProcessState::ChangesTo(const ProcessState& later) const {
    std::vector<std::string> changes;
    if (directory_ != later.directory_) {
        changes.push_back("working directory: " + directory_ + " -> " + later.directory_);
    }
    for (const auto& [name, value] : environment_) {
        const auto now = later.environment_.find(name);
        if (now == later.environment_.end()) {
            changes.push_back(name + ": " + value + " -> unset");
        } else if (now->second != value) {
            changes.push_back(name + ": " + value + " -> " + now->second);
        }
    }
    for (const auto& [name, value] : later.environment_) {
        if (environment_.count(name) == 0) {
            changes.push_back(name + ": unset -> " + value);
        }
    }
    return changes;
}

void ProcessState::Restore() const {
    const ProcessState now = Now();
    for (const auto& [name, value] : now.environment_) {
        if (environment_.count(name) == 0) {
            ::unsetenv(name.c_str());
        }
    }
    for (const auto& [name, value] : environment_) {
        const auto current = now.environment_.find(name);
        if (current == now.environment_.end() || current->second != value) {
            ::setenv(name.c_str(), value.c_str(), 1);
        }
    }
    if (now.directory_ != directory_) {
        std::error_code ignored;
        std::filesystem::current_path(directory_, ignored);
    }
}

} // namespace TestSupport
