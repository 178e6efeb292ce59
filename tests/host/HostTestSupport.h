// Small tools shared by the tests of the host libraries: real temporary folders, environment
// settings that undo themselves, and the trace file those libraries append to.
#pragma once

#include "Scenario.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace HostTest {

// A fresh directory under the system's temporary folder, removed with everything in it.
class TempDir final {
public:
    TempDir() : path_((std::filesystem::temp_directory_path() / "orvane-host-XXXXXX").string()) {
        if (mkdtemp(path_.data()) == nullptr) {
            throw std::runtime_error("cannot create a directory like " + path_);
        }
    }
    ~TempDir() { std::filesystem::remove_all(path_, ignored_); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string Str(const std::string& relative = {}) const { return path_ + "/" + relative; }

private:
    std::string path_;
    std::error_code ignored_;
};

// Sets (or, with nullopt, unsets) environment variables and restores them on destruction.
class ScopedEnv final {
public:
    using Settings = std::vector<std::pair<std::string, std::optional<std::string>>>;
    explicit ScopedEnv(const Settings& settings) {
        for (const auto& [name, value] : settings) {
            const char* old = std::getenv(name.c_str());
            previous_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
            Set({name, value});
        }
    }
    ~ScopedEnv() { std::for_each(previous_.rbegin(), previous_.rend(), Set); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    static void Set(const Settings::value_type& setting) {
        const auto& [name, value] = setting;
        value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }
    Settings previous_;
};

// Points KALDOR_TRACE at a file of its own for as long as it lives.
struct TraceFile final {
    TempDir dir;
    ScopedEnv env{{{"KALDOR_TRACE", dir.Str("trace.txt")}}};
    std::vector<std::string> Lines() const { return orvane::test::ReadLines(dir.Str("trace.txt")); }
};

} // namespace HostTest
