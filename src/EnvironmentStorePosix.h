// The values of the environment variables set through the layer on Linux, in storage the layer
// owns. glibc's setenv never frees the value it replaces (an earlier getenv's pointer may still be
// in use), so a variable rewritten on every package import would cost memory with the square of
// the imports. putenv installs a buffer as it is instead, and the buffer it replaces is freed at
// once: the environment is the process's one shared state that no call may change while another
// thread reads it (POSIX marks both setenv and getenv unsafe against each other), and the platform
// sets it only on the host's thread.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
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

    // Puts `directories` in front of the search-path variable `name` by SearchPathWithPrefix's
    // rule, and sets nothing when that changes nothing. A value this store built by that rule has
    // no empty element, so the next directories are written in front of it where it lies: the
    // variable grows with every package imported, and each import costs its own directory, not
    // the whole value again. False with errno set when the name cannot be set.
    bool PrependSearchPath(const std::string& name, char delimiter,
                           const std::vector<std::string>& directories);

    // The directories of a search-path variable as it stands now, split at `delimiter`. A value
    // this store installed is split once and kept with it, so reading the growing variable again
    // costs nothing; a value someone else set is split on every call.
    SharedDirectories Directories(const std::string& name, char delimiter);

private:
    // "name=value\0" lies at the end of `buffer`, from `start` on; what lies before it is room
    // for a prefix.
    struct Slot {
        std::unique_ptr<char[]> buffer;
        std::size_t capacity = 0;
        std::size_t start = 0;
        bool searchPath = false;       // built by PrependSearchPath: no empty element
        std::string placeholder;       // "name=", installed while the buffer is rewritten
        SharedDirectories directories; // of the value, once asked for

        const char* Entry() const { return buffer.get() + start; }
    };

    // The slot whose value the environment holds now, or null.
    Slot* Installed(const std::string& name);
    // Installs "name=value" in a new buffer with `room` bytes in front of it.
    bool Install(const std::string& name, std::string_view value, std::size_t room,
                 bool searchPath);

    std::mutex mutex_;
    std::map<std::string, Slot> slots_;
};

} // namespace VELMORA::NEVRA::Platform::Sys
