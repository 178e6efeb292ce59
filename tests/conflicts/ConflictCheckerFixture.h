// What the conflict checkers' tests share: a fresh folder to build trees in, with full paths
// written as the checkers report them.
#pragma once

#include "FilePath.h"
#include "FileSystemError.h"
#include "KxResourceConfilct.h"
#include "ProcessState.h"
#include "SettingStore.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace conflicts_test {

namespace fs = std::filesystem;
using VELMORA::NEVRA::Platform::FilePath;
using VELMORA::NEVRA::Platform::FileSystemError;
using Result = KxResourceConflictList;

class ConflictCheckerTest : public ::testing::Test {
protected:
    // The checkers read the user's folders from the environment, and one case changes the
    // working directory.
    TestSupport::ScopedProcessState processState_;
    TestSupport::TempFolder folder_{"orvane-conflicts-"};
    const std::string root_ = folder_.Path() + "/";

    // The full path below the test's root, as the checkers report it: in the system's separators.
    std::string P(const std::string& rel) const {
        return std::filesystem::path(root_ + rel).make_preferred().string();
    }
    void Write(const std::string& rel, const std::string& content = "x") const {
        fs::create_directories(fs::path(P(rel)).parent_path());
        std::ofstream(P(rel), std::ios::binary) << content;
    }
};

} // namespace conflicts_test
