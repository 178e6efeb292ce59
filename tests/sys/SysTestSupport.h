// What the platform layer's tests share: temporary directories and the built test libraries.
#pragma once

#include "ProcessState.h"
#include "TempFolder.h"

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
    static void WriteFile(const fs::path& p, const std::string& text) { std::ofstream(p) << text; }

    // Copies built test libraries ("PkgA.so", ...) into `directory`, which is created when missing.
    static void CopyLibraries(const fs::path& directory, std::initializer_list<const char*> names) {
        fs::create_directories(directory);
        for (const char* name : names) {
            fs::copy_file(fs::path(SYS_TEST_LIBRARY_DIR) / name, directory / name,
                          fs::copy_options::overwrite_existing);
        }
    }

private:
    // The tests here set the loader's search variable and the test libraries' counters.
    TestSupport::ScopedProcessState processState_;
    TestSupport::TempFolder folder_{"orvane-sys-"};

protected:
    const fs::path dir{folder_.Path()};
};

} // namespace SysTest
