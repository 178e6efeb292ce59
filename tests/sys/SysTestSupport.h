// What the platform layer's tests share: temporary directories and the built test libraries.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>

namespace SysTest {

namespace fs = std::filesystem;

// A test with a fresh directory under the system's temporary directory, removed with everything
// in it.
class WithTempDir : public ::testing::Test {
protected:
    WithTempDir() {
        std::string pattern = (fs::temp_directory_path() / "orvane-sys-XXXXXX").string();
        EXPECT_NE(::mkdtemp(pattern.data()), nullptr) << "cannot create a temporary directory";
        dir = pattern;
    }
    ~WithTempDir() override {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    fs::path dir;
};

inline void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

// Copies built test libraries ("PkgA.so", ...) into `directory`, which is created when missing.
inline void CopyLibraries(const fs::path& directory, std::initializer_list<const char*> names) {
    fs::create_directories(directory);
    for (const char* name : names) {
        fs::copy_file(fs::path(SYS_TEST_LIBRARY_DIR) / name, directory / name,
                      fs::copy_options::overwrite_existing);
    }
}

} // namespace SysTest
