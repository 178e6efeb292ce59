#include "ProcessState.h"

#include "TestSystem.h"

#include <filesystem>
#include <system_error>
#include <utility>

namespace TestSupport {

ProcessState ProcessState::Now() {
    ProcessState state;
    std::error_code error;
    state.directory_ = std::filesystem::current_path(error).string();
    for (const std::string& text : Variables()) {
        const auto equals = text.find('=');
        if (equals != std::string::npos) {
            std::string name = text.substr(0, equals);
            std::string key = VariableKey(name);
            state.environment_.emplace(std::move(key),
                                       Variable{std::move(name), text.substr(equals + 1)});
        }
    }
    return state;
}

std::vector<std::string> ProcessState::ChangesTo(const ProcessState& later) const {
    std::vector<std::string> changes;
    if (directory_ != later.directory_) {
        changes.push_back("working directory: " + directory_ + " -> " + later.directory_);
    }
    for (const auto& [key, was] : environment_) {
        const auto now = later.environment_.find(key);
        if (now == later.environment_.end()) {
            changes.push_back(was.name + ": " + was.value + " -> unset");
        } else if (now->second.value != was.value) {
            changes.push_back(was.name + ": " + was.value + " -> " + now->second.value);
        }
    }
    for (const auto& [key, is] : later.environment_) {
        if (environment_.count(key) == 0) {
            changes.push_back(is.name + ": unset -> " + is.value);
        }
    }
    return changes;
}

void ProcessState::Restore() const {
    const ProcessState now = Now();
    for (const auto& [key, is] : now.environment_) {
        if (environment_.count(key) == 0) {
            UnsetVariable(is.name);
        }
    }
    for (const auto& [key, was] : environment_) {
        const auto current = now.environment_.find(key);
        if (current == now.environment_.end() || current->second.value != was.value) {
            SetVariable(was.name, was.value);
        }
    }
    if (now.directory_ != directory_) {
        std::error_code ignored;
        std::filesystem::current_path(directory_, ignored);
    }
}

} // namespace TestSupport
