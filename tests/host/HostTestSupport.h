// Small tools shared by the tests of the host libraries: real temporary folders, environment
// settings that undo themselves, and the trace file those libraries append to.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace HostTest {

// A fresh directory under the system's temporary folder, removed with everything in it.
class TempDir final {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string Str(const std::string& relative = {}) const;

private:
    std::filesystem::path path_;
};

// Sets (or, with nullopt, unsets) one environment variable and restores it on destruction.
class ScopedEnv final {
public:
    ScopedEnv(std::string name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

// Points KALDOR_TRACE at a file of its own for as long as it lives.
class TraceFile final {
public:
    TraceFile();
    // Every line written so far, without line ends.
    std::vector<std::string> Lines() const;

private:
    TempDir dir_;
    ScopedEnv env_;
};

std::vector<std::string> ReadLines(const std::filesystem::path& file);
std::vector<std::string> SplitLines(const std::string& text);
void WriteFile(const std::filesystem::path& file, const std::string& content);

} // namespace HostTest
