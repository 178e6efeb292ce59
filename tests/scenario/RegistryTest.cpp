// The package registry through the exports: refused imports, ids, modules and the order of
// unloading.
#include "Scenario.h"
#include "TestSystem.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace orvane::test {
namespace {

using Strings = std::vector<std::string>;

Strings OnlyExits(const Strings& events) {
    Strings exits;
    std::copy_if(events.begin(), events.end(), std::back_inserter(exits),
                 [](const std::string& e) { return e.rfind("Exit ", 0) == 0; });
    return exits;
}

TEST(Registry, SameLibraryUnderAnotherTypeIsRefusedAsLoaded) {
    Installation install;
    const std::string dll = install.AddPackage("Alpha", "bin/KxApp");
    Platform platform(install);
    ASSERT_EQ(platform.RegEx(dll.c_str(), nullptr, KxExternal), 0);
    EXPECT_EQ(platform.RegEx(dll.c_str(), nullptr, KxInternalPost), -1);
    ASSERT_EQ(platform.Init(), 0); // starts the log file; the failure above went to stderr
    EXPECT_EQ(platform.RegEx(dll.c_str(), nullptr, KxInternalPre), -1);
    EXPECT_EQ(install.Events(), (Strings{"Init Alpha as Alpha", "Init Alpha returns 0"}));
    const auto records = install.Records();
    const Strings messages = install.Messages();
    const std::string expected = "the dll has been loaded, path=" + dll;
    auto it = std::find(messages.begin(), messages.end(), expected);
    ASSERT_NE(it, messages.end());
    EXPECT_EQ(records[it - messages.begin()].level, "FATAL");
    EXPECT_EQ(records[it - messages.begin()].source, "KxPackage");
    EXPECT_EQ(*(it + 1), "App Init End");
    EXPECT_EQ(*(it + 2), "App Import failed" + dll);
    EXPECT_EQ(records[it - messages.begin() + 2].level, "ERROR");
    // Each refused import gave its id back: Alpha has 1, the platform's own packages 2 and 3.
    const std::string next = install.AddPackage("Beta", "bin/KxApp");
    ASSERT_EQ(platform.RegEx(next.c_str(), nullptr, KxExternal), 0);
    EXPECT_EQ(platform.List().back().id, 4u);
}

// A package must export both entry points of its name: one with its Init alone is refused.
TEST(Registry, PackageWithInitAndNoExitIsRefusedAtImport) {
    Installation install;
    // Outside the application folder, so the list keeps the full path.
    const std::string dll = install.AddPackage("OnlyInit", "bin/apps");
    install.WriteAppList({{dll}});
    Platform platform(install);
    EXPECT_EQ(platform.Init(), 1);
    EXPECT_THAT(
        install.Messages(),
        ::testing::IsSupersetOf({"Could not get init/exit address, path=" + dll,
                                 "App Import failed" + dll, std::string("External Failed")}));
}

TEST(Registry, DatabaseModulesAreForwardedOnceAndLeftoversGoAtUnload) {
    Installation install;
    const std::string dll =
        install.AddPackage("Alpha", "bin/KxApp", "module 7 42\nmodule 7 43\nmodule 9 1\n");
    TestSupport::SetVariable("KXDB_REFUSE_IDS", "9");
    {
        Platform platform(install);
        ASSERT_EQ(platform.Reg(dll.c_str(), nullptr), 0);
        const Strings events = install.Events();
        EXPECT_TRUE(std::find(events.begin(), events.end(), "RegisterModule 7 0") != events.end());
        EXPECT_TRUE(std::find(events.begin(), events.end(), "RegisterModule 7 -1") != events.end());
        EXPECT_TRUE(std::find(events.begin(), events.end(), "RegisterModule 9 -1") != events.end());
    }
    Strings calls;
    for (const auto& line : install.Trace()) {
        if (line.rfind("KxDb", 0) == 0) {
            calls.push_back(line);
        }
    }
    // The duplicate never reaches the host; id 7 is still registered when the library unloads.
    EXPECT_EQ(calls,
              (Strings{"KxDbRegister\t7\t42\t0", "KxDbRegister\t9\t1\t1", "KxDbUnRegister\t7"}));
}

TEST(Registry, UnloadTakesPostLoadThenExternalThenPreLoadPackages) {
    Installation install;
    const std::string pre = install.AddPackage("ModA", "bin/KxApp");
    const std::string ext = install.AddPackage("Alpha", "bin/KxApp");
    const std::string post = install.AddPackage("ModB", "bin/KxApp");
    const std::string pre2 = install.AddPackage("ModC", "bin/KxApp");
    const std::string other = install.AddPackage("ModD", "bin/KxApp");
    {
        Platform platform(install);
        ASSERT_EQ(platform.RegEx(pre.c_str(), nullptr, KxInternalPre), 0);
        ASSERT_EQ(platform.RegEx(ext.c_str(), nullptr, KxExternal), 0);
        ASSERT_EQ(platform.RegEx(post.c_str(), nullptr, KxInternalPost), 0);
        ASSERT_EQ(platform.RegEx(pre2.c_str(), nullptr, KxInternalPre), 0);
        // A number that names no stage is kept as given, so no stage's pass unloads it.
        ASSERT_EQ(platform.RegEx(other.c_str(), nullptr, 7), 0);
    }
    EXPECT_EQ(OnlyExits(install.Events()),
              (Strings{"Exit ModB", "Exit Alpha", "Exit ModA", "Exit ModC", "Exit ModD"}));
}

TEST(Registry, BadInputNeverCrashesAnExport) {
    Installation install;
    Platform platform(install);
    EXPECT_EQ(platform.Reg(nullptr, nullptr), -1);
    EXPECT_EQ(platform.Reg("C:x", nullptr), -1);
    EXPECT_EQ(platform.Reg("/no/such/Library.so", nullptr), -1);
    platform.UnReg(nullptr);
    platform.UnReg("C:x");
    platform.RegClear();
    platform.RegClear();
    EXPECT_TRUE(platform.List().empty());
    EXPECT_EQ(platform.LastListenerCalls(), 1);
    auto list = platform.Symbol<void (*)(KxRegListListener*)>("KxRegList");
    list(nullptr);
}

// An error that escapes a stage (here, a list that cannot be parsed) takes every package down.
TEST(Startup, ExceptionInBuildClearsTheRegistry) {
    Installation install;
    install.AddPackage("Alpha", "bin");
    install.WritePreLoad({{"Alpha"}});
    // A drive letter without a separator cannot be parsed; the list fails as a whole.
    install.WriteAppList({{"C:broken.so", "0"}});
    Platform platform(install);
    EXPECT_EQ(platform.Init(), 1);
    const Strings messages = install.Messages();
    const auto stage = std::find(messages.begin(), messages.end(), "External Register Begin");
    ASSERT_EQ(messages.end() - stage, 9);
    const Strings tail(stage + 1, messages.end());
    EXPECT_EQ(tail[0], "External Register End");
    EXPECT_EQ(tail[1].rfind("load err:", 0), 0u) << tail[1];
    EXPECT_NE(tail[1].find("C:broken.so"), std::string::npos) << tail[1];
    // The registry was cleared: the pre-load stage is taken down again.
    EXPECT_EQ(Strings(tail.begin() + 2, tail.end()),
              (Strings{"App Exit Begin", install.OrvanePath(), "App Exit End",
                       "PlatformBuild Failed", "PlatformBuild End", "OrvaneInit End"}));
    EXPECT_EQ(install.Events().back(), "Exit Alpha");
}

} // namespace
} // namespace orvane::test
