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
    ~WithTempDir() override { fs::remove_all(dir, ignored_); }
    static void WriteFile(const fs::path& p, const std::string& text) { std::ofstream(p) << text; }

    // Copies built test libraries ("PkgA.so", ...) into `directory`, which is created when missing.
    static void CopyLibraries(const fs::path& directory, std::initializer_list<const char*> names) {
        fs::create_directories(directory);
        for (const char* name : names) {
            fs::copy_file(fs::path(SYS_TEST_LIBRARY_DIR) / name, directory / name,
                          fs::copy_options::overwrite_existing);
        }
    }

    fs::path dir;

private:
    std::error_code ignored_;
};

} // namespace SysTest
