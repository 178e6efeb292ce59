// What the platform layer's tests share: temporary directories and the test libraries.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace SysTest {

namespace fs = std::filesystem;

// A fresh directory under the system's temporary directory, removed with everything in it.
class TempDir final {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "orvane-sys-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "cannot create a temporary directory";
        }
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const fs::path& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

inline void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The built test library `name` ("PkgA.so", "DepB.so", ...).
inline std::string BuiltLibrary(const std::string& name) {
    return (fs::path(SYS_TEST_LIBRARY_DIR) / name).string();
}

// Copies built test libraries into `directory`, which is created when missing.
inline void CopyLibraries(const fs::path& directory, std::initializer_list<const char*> names) {
    fs::create_directories(directory);
    for (const char* name : names) {
        fs::copy_file(BuiltLibrary(name), directory / name, fs::copy_options::overwrite_existing);
    }
}

} // namespace SysTest
