// The package registry through the exports: trees built re-entrantly, failures, ids, modules
// and the order of unloading.
#include "Scenario.h"
#include "TestSystem.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace orvane::test {
namespace {

using Strings = std::vector<std::string>;

std::string FindStartingWith(const Strings& all, const std::string& prefix) {
    for (const auto& s : all) {
        if (s.rfind(prefix, 0) == 0) {
            return s;
        }
    }
    return {};
}

// A behaviour line that names a package of the same folder.
std::string Names(const char* verb, const char* stem) {
    return std::string(verb) + " " + LibraryName(stem) + "\n";
}

Strings OnlyExits(const Strings& events) {
    Strings exits;
    std::copy_if(events.begin(), events.end(), std::back_inserter(exits),
                 [](const std::string& e) { return e.rfind("Exit ", 0) == 0; });
    return exits;
}

TEST(Registry, ThreeLevelTreeIsBuiltReentrantlyAndTornDownChildrenFirst) {
    Installation install;
    const std::string a = install.AddPackage(
        "Alpha", "bin/KxApp", Names("register", "Child") + Names("unregister", "Child"));
    const std::string b = install.AddPackage(
        "Child", "bin/KxApp", Names("register", "Grandchild") + Names("unregister", "Grandchild"));
    const std::string c = install.AddPackage("Grandchild", "bin/KxApp");
    Platform platform(install);
    ASSERT_EQ(platform.Reg(a.c_str(), nullptr), 0);

    const auto list = platform.List();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].path, a);
    EXPECT_EQ(list[1].path, b);
    EXPECT_EQ(list[2].path, c);
    EXPECT_EQ(list[0].ownerId, list[0].id);
    EXPECT_EQ(list[1].ownerId, list[0].id);
    EXPECT_EQ(list[2].ownerId, list[1].id);

    ASSERT_EQ(platform.Init(), 0);
    // An Exit unregisters under the type of the latest registration, so end with an External.
    const std::string last = install.AddPackage("Beta", "bin/KxApp");
    ASSERT_EQ(platform.Reg(last.c_str(), nullptr), 0);
    ASSERT_EQ(platform.Exit(), 0);
    // Each Exit unregisters its child from inside: the child goes while its parent exits and is
    // found among the parent's children.
    EXPECT_EQ(OnlyExits(install.Events()),
              (Strings{"Exit Beta", "Exit Alpha", "Exit Child", "Exit Grandchild"}));
    const Strings messages = install.Messages();
    // Only the top level is swept (Beta, Alpha, the two platform packages); no second sweep.
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "App Exit Begin"), 4);
}

TEST(Registry, ChildOfAFailingInitIsClaimedByTheNextSuccessfulRegistration) {
    Installation install;
    const std::string outer = install.AddPackage("Alpha", "bin/KxApp", Names("register", "Beta"));
    const std::string failing =
        install.AddPackage("Beta", "bin/KxApp", Names("register", "Child") + "init-return 3\n");
    const std::string child = install.AddPackage("Child", "bin/KxApp");
    Platform platform(install);

    EXPECT_EQ(platform.Reg(outer.c_str(), nullptr), 0);
    const auto list = platform.List();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].path, outer);
    EXPECT_EQ(list[1].path, child);
    EXPECT_EQ(list[1].ownerId, list[0].id);
    EXPECT_TRUE(std::find(install.Events().begin(), install.Events().end(),
                          "Reg " + failing + " -1") != install.Events().end());
}

TEST(Registry, ChildOfAFailingTopLevelInitBelongsToNobodyButIsStillCleared) {
    Installation install;
    const std::string failing =
        install.AddPackage("Beta", "bin/KxApp", Names("register", "Child") + "init-return 3\n");
    install.AddPackage("Child", "bin/KxApp");
    Platform platform(install);
    EXPECT_EQ(platform.Reg(failing.c_str(), nullptr), -1);
    EXPECT_TRUE(platform.List().empty());
    platform.RegClear();
    EXPECT_EQ(OnlyExits(install.Events()), (Strings{"Exit Beta", "Exit Child"}));
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

TEST(Registry, SameLibrarySameTypeIsSharedAndInitRunsOnce) {
    Installation install;
    const std::string dll = install.AddPackage("Alpha", "bin/KxApp");
    Platform platform(install);
    ASSERT_EQ(platform.Reg(dll.c_str(), nullptr), 0);
    ASSERT_EQ(platform.Reg(dll.c_str(), nullptr), 0);
    EXPECT_EQ(install.Events(), (Strings{"Init Alpha as Alpha", "Init Alpha returns 0"}));
    EXPECT_EQ(platform.List().size(), 2u); // listed once per top-level registration
    platform.RegClear();
    EXPECT_EQ(OnlyExits(install.Events()), (Strings{"Exit Alpha"}));
}

struct ImportFailure {
    const char* name;
    const char* built;
    const char* prefix;
    const char* dependency; // named in the record as missing, "" for none
};

class ImportFailures : public ::testing::TestWithParam<ImportFailure> {};

TEST_P(ImportFailures, AreLoggedAndRefused) {
    const ImportFailure& f = GetParam();
    Installation install;
    // Outside the application folder, so the list keeps the full path.
    const std::string dll = install.AddPackage(f.built, "bin/apps");
    install.WriteAppList({{dll}});
    Platform platform(install);
    EXPECT_EQ(platform.Init(), 1);
    const Strings messages = install.Messages();
    const std::string record = FindStartingWith(messages, std::string(f.prefix) + dll);
    ASSERT_FALSE(record.empty()) << f.prefix;
    // The named dependency, as the system's loader reports it missing.
    const std::string detail = *f.dependency != '\0'
                                   ? TestSupport::MissingDependencyDetail(LibraryName(f.dependency))
                                   : "";
    EXPECT_NE(record.find(detail), std::string::npos) << record;
    EXPECT_TRUE(std::find(messages.begin(), messages.end(), "App Import failed" + dll) !=
                messages.end());
    EXPECT_TRUE(std::find(messages.begin(), messages.end(), "External Failed") != messages.end());
}

INSTANTIATE_TEST_SUITE_P(
    Registry, ImportFailures,
    ::testing::Values(
        ImportFailure{"BareNames", "BareNames", "Could not get init/exit address, path=", ""},
        ImportFailure{"OnlyInit", "OnlyInit", "Could not get init/exit address, path=", ""},
        ImportFailure{"MissingDependency", "NeedsDependency",
                      "the dll has unknown dependence, path=", "PackageDependency"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Registry, SearchPathVariableGainsEachPackageDirectory) {
    Installation install;
    const std::string dll = install.AddPackage("Alpha", "bin/KxApp");
    TestSupport::SetVariable(TestSupport::SearchVariable(), "/opt/old");
    Platform platform(install);
    ASSERT_EQ(platform.Reg(dll.c_str(), nullptr), 0);
    platform.RegClear();
    ASSERT_EQ(platform.Reg(dll.c_str(), nullptr), 0);
    const char delimiter = TestSupport::SearchDelimiter();
    EXPECT_EQ(TestSupport::Variable(TestSupport::SearchVariable()),
              install.AppDir() + delimiter + install.AppDir() + delimiter + "/opt/old");
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

TEST(Registry, UnRegNormalisesItsArgumentOnly) {
    Installation install;
    const std::string dll = install.AddPackage("Alpha", "bin/KxApp");
    const std::string dotted = install.AppDir() + Native("./") + LibraryName("Alpha");
    Platform platform(install);
    ASSERT_EQ(platform.Reg(dotted.c_str(), nullptr), 0);
    platform.UnReg(dotted.c_str()); // normalised, so it no longer matches the registered text
    EXPECT_EQ(platform.List().size(), 1u);
    platform.RegClear();
    ASSERT_EQ(platform.Reg(dll.c_str(), nullptr), 0);
    platform.UnReg(dotted.c_str());
    EXPECT_TRUE(platform.List().empty());
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

} // namespace
} // namespace orvane::test
