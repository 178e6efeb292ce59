// What the tests of the host libraries share: real temporary folders.
#pragma once

#include "Scenario.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

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

} // namespace HostTest
