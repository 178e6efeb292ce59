// Setting-file failures that only Linux can make: a folder even root cannot write in (in a child
// that gives up the capabilities), a regular file that fails every read (/proc), and a folder
// name that is not UTF-8.
#include "ChildProcess.h"
#include "ResourceScenario.h"

#include <cstdlib>

namespace orvane::test {
namespace {

namespace fs = std::filesystem;

// A left-over the platform cannot delete (its folder is read-only, and the capabilities that let
// root write anyway are given up in the child that runs the platform) does not stop the load.
TEST_F(ResourceTest, AnUndeletableLeftOverDoesNotStopTheLoad) {
    Touch(userAction_ + "NEVRA0000001.hcui");
    Touch(userAction_ + "NEVRA0000002.hcui");
    fs::permissions(userAction_, fs::perms::owner_read | fs::perms::owner_exec);
    const ChildResult run = RunInChild([&] {
        if (!DropPermissionOverride()) {
            return std::string("capabilities kept");
        }
        Platform platform(installation_);
        std::string out = "Init = " + std::to_string(platform.Init()) + "\n";
        out += "Exit = " + std::to_string(platform.Exit()) + "\n";
        return out;
    });
    fs::permissions(userAction_, fs::perms::owner_all);
    ASSERT_TRUE(run.finished) << run.failure;
    EXPECT_EQ(run.output, "Init = 0\nExit = 0\n");
    // Both are named, in the log the user reads although it was not open yet: the first failure
    // does not end the clean-up.
    std::string loadOutput;
    for (const auto& message : installation_.Messages()) {
        loadOutput += message + "\n";
    }
    EXPECT_NE(loadOutput.find(userAction_ + "NEVRA0000001.hcui"), std::string::npos);
    EXPECT_NE(loadOutput.find(userAction_ + "NEVRA0000002.hcui"), std::string::npos) << loadOutput;
}

// A copy that fails half-way (a process's memory file is regular but fails every read at its
// start, also for root) fails the registration with a record naming it, and leaves no empty or
// temporary file in the default tree or in the user's locale action folder.
TEST_F(ResourceTest, ACopyThatFailsLeavesNothingAndIsNamed) {
    const std::string root = MakeRoot({}, {kSettings[0]}, false);
    fs::create_symlink("/proc/self/mem", root + kAction + "mem.hcui");
    fs::create_directories(userAction_ + "en_US");
    Start();
    EXPECT_EQ(Register("Alpha", root), -1);
    for (const std::string& dir : {defaultSide_ + kGroups[0], userAction_ + "en_US/"}) {
        for (const auto& entry : fs::directory_iterator(dir)) {
            EXPECT_GT(fs::file_size(entry.path()), 0u) << entry.path();
            EXPECT_EQ(entry.path().string().find(".part"), std::string::npos) << entry.path();
        }
    }
    const auto messages = installation_.Messages();
    EXPECT_TRUE(std::any_of(messages.begin(), messages.end(), [&](const std::string& message) {
        return message.rfind("cannot register ", 0) == 0 &&
               message.find(root + kAction + "mem.hcui") != std::string::npos &&
               message.find("Input/output error") != std::string::npos;
    })) << ::testing::PrintToString(messages);
}

// A per-user folder whose name Qt cannot give back byte for byte: the user-interface library is
// not handed a look-alike of it, and the log names it.
TEST_F(ResourceTest, APreferenceFolderQtCannotNameIsNamedNotReplaced) {
    const std::string logs = installation_.Root() + "/logs\xe9/";
    const std::unique_ptr<void, void (*)(void*)> restore(
        (setenv("KALDOR_FOLDER_6", (installation_.Root() + "/logs\xe9").c_str(), 1), this),
        [](void*) { unsetenv("KALDOR_FOLDER_6"); });
    Start();
    EXPECT_EQ(platform_->Exit(), 0);
    const auto trace = installation_.Trace();
    EXPECT_FALSE(std::any_of(trace.begin(), trace.end(), [](const std::string& line) {
        return line.rfind("AddPath\t", 0) == 0;
    }));
    EXPECT_NE(ReadFile(logs + "Nevra/KxLog.log").find("ERROR\tOrvane\tQtFileName\t"),
              std::string::npos);
    EXPECT_NE(ReadFile(logs + "Nevra/KxLog.log").find(logs + "Nevra/cae_pr_/"), std::string::npos);
}

} // namespace
} // namespace orvane::test
