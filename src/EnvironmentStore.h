// The values of the environment variables set through the layer on Linux, in storage the layer
// owns. glibc's setenv never frees the value it replaces (an earlier getenv's pointer may still be
// in use), so a variable rewritten on every package import would cost memory with the square of
// the imports. putenv installs a buffer as it is instead, and the buffer it replaces is freed at
// once: the environment is the process's one shared state that no call may change while another
// thread reads it (POSIX marks both setenv and getenv unsafe against each other), and the platform
// sets it only on the host's thread.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace VELMORA::NEVRA::Platform::Sys {

// The directories of a search-path value, shared rather than copied: the variable grows with
// every package imported.
using SharedDirectories = std::shared_ptr<const std::vector<std::string>>;

class EnvironmentStore final {
public:
    EnvironmentStore() = default;
    // The environment outlives the library: a value still installed is handed to glibc's own
    // storage before the buffer goes, so that the environment never points into freed memory.
    ~EnvironmentStore();
    EnvironmentStore(const EnvironmentStore&) = delete;
    EnvironmentStore& operator=(const EnvironmentStore&) = delete;

    // Sets `name` to `value`; false with errno set when the name is empty or holds "=".
    bool Set(const std::string& name, const std::string& value);

    // The directories of a search-path variable as it stands now, split at `delimiter`. A value
    // this store installed is split once and kept with it, so reading the growing variable again
    // costs nothing; a value someone else set is split on every call.
    SharedDirectories Directories(const std::string& name, char delimiter);

private:
    struct Slot {
        std::unique_ptr<char[]> current;
        SharedDirectories directories; // of `current`, once asked for
    };

    std::mutex mutex_;
    std::map<std::string, Slot> slots_;
};

} // namespace VELMORA::NEVRA::Platform::Sys
