// A fresh folder under the system's temporary folder, removed with everything in it at the end
// of its scope; on any system the tests run on.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace TestSupport {

class TempFolder final {
public:
    explicit TempFolder(const std::string& prefix = "orvane-test-") {
        // A name no other test process has, made by whoever creates it first.
        std::mt19937_64 random(std::random_device{}() ^
                               static_cast<std::uint64_t>(
                                   std::chrono::steady_clock::now().time_since_epoch().count()));
        const auto base = std::filesystem::temp_directory_path();
        do {
            path_ = (base / (prefix + std::to_string(random()))).string();
        } while (!std::filesystem::create_directory(path_));
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    // `relative` below the folder, joined with '/', which every system the tests run on takes.
    std::string At(const std::string& relative) const { return path_ + "/" + relative; }

private:
    std::string path_;
};

} // namespace TestSupport
