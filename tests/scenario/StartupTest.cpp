// Start-up and shut-down as a host sees them: results, the log's records and their order.
#include "Scenario.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace orvane::test {
namespace {

using Strings = std::vector<std::string>;

// The records between two texts (exclusive), or everything after `from` when `to` is empty.
Strings Between(const Strings& all, const std::string& from, const std::string& to) {
    auto begin = std::find(all.begin(), all.end(), from);
    EXPECT_NE(begin, all.end()) << from;
    if (begin == all.end()) {
        return {};
    }
    auto end = to.empty() ? all.end() : std::find(begin + 1, all.end(), to);
    return Strings(begin + 1, end);
}

bool AnyStartsWith(const Strings& all, const std::string& prefix) {
    return std::any_of(all.begin(), all.end(),
                       [&](const std::string& s) { return s.rfind(prefix, 0) == 0; });
}

Strings ImportRecords(const std::string& path) {
    return {"App Init Begin", path, "App Init End", "init=1 return=0"};
}

Strings ExitRecords(const std::string& path) {
    return {"App Exit Begin", path, "App Exit End"};
}

Strings Join(std::initializer_list<Strings> parts) {
    Strings all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

TEST(Startup, SuccessfulStartupWritesEveryRecordInOrder) {
    Installation install;
    const std::string pre = install.AddPackage("ModA", "bin");
    const std::string post = install.AddPackage("ModB", "bin");
    const std::string app = install.AddPackage("Alpha", "bin/KxApp");
    install.WritePreLoad({{"ModA"}});
    install.WritePostLoad({{"ModB"}});
    install.WriteAppList({{LibraryName("Alpha")}});

    Platform platform(install);
    ASSERT_EQ(platform.Init(), 0);
    const std::string self = install.OrvanePath();
    const Strings expected = Join({
        {"OrvaneInit Begin", "PlatformPreBuild Begin", "PlatformPreBuild End",
         "PlatformBuild Begin", "InternalPre Register Begin"},
        {"App Init Begin", self, "App Init End"},
        ImportRecords(pre),
        {"init=1 return=0", "InternalPre Register End", "External Register Begin"},
        ImportRecords(app),
        {"External Register End", "InternalPost Register Begin"},
        {"App Init Begin", self, "App Init End"},
        ImportRecords(post),
        {"init=1 return=0", "InternalPost Register End", "PlatformBuild End",
         "PlatformPostBuild Begin", "PlatformPostBuild End", "OrvaneInit End"},
    });
    EXPECT_EQ(install.Messages(), expected);
    for (const auto& record : install.Records()) {
        EXPECT_EQ(record.module, "Orvane");
        EXPECT_TRUE(record.source == "Orvane" || record.source == "KxPackage") << record.source;
        EXPECT_EQ(record.level, "INFO");
        EXPECT_GT(record.line, 0);
    }

    EXPECT_EQ(platform.Exit(), 0);
    const Strings shutdown = Between(install.Messages(), "OrvaneInit End", "");
    // Last registered first: the post-load platform package (which takes its module down from
    // inside its Exit), the application, the pre-load platform package. Its Exit asks for its
    // modules under the current type, post-load, so the pre-load module is left to the second
    // sweep.
    EXPECT_EQ(shutdown, Join({{"OrvaneExit Begin"},
                              ExitRecords(self),
                              ExitRecords(app),
                              ExitRecords(self),
                              ExitRecords(pre),
                              {"OrvaneExit End"}}));
    EXPECT_EQ(install.Events(),
              (Strings{"Init ModA as ModA", "Init ModA returns 0", "Init Alpha as Alpha",
                       "Init Alpha returns 0", "Init ModB as ModB", "Init ModB returns 0",
                       "Exit ModB", "Exit Alpha", "Exit ModA"}));
}

TEST(Startup, EmptyListsStillRegisterThePlatformTwice) {
    Installation install;
    Platform platform(install);
    ASSERT_EQ(platform.Init(), 0);
    const Strings build = Between(install.Messages(), "PlatformBuild Begin", "PlatformBuild End");
    const std::string self = install.OrvanePath();
    EXPECT_EQ(build,
              Join({{"InternalPre Register Begin", "App Init Begin", self, "App Init End",
                     "init=1 return=0", "InternalPre Register End", "External Register Begin",
                     "External Register End", "InternalPost Register Begin", "App Init Begin", self,
                     "App Init End", "init=1 return=0", "InternalPost Register End"}}));
    EXPECT_TRUE(platform.List().empty());
    EXPECT_EQ(platform.LastListenerCalls(), 1);
}

TEST(Startup, PreBuildSeedsTheUserLibraryWithoutOverwriting) {
    Installation install;
    install.WriteFile(install.PlatformRoot() + "Library/custom/sub/deep.txt", "deep\n");
    install.WriteFile(install.PlatformRoot() + "Library/custom/kept.txt", "installed\n");
    install.WriteFile(install.Home() + "library/Nevra/kept.txt", "mine\n");
    Platform platform(install);
    ASSERT_EQ(platform.Init(), 0);
    const std::string library = install.Home() + "library/Nevra/";
    EXPECT_EQ(ReadFile(library + "seed.txt"), "seed\n");
    EXPECT_EQ(ReadFile(library + "sub/deep.txt"), "deep\n");
    EXPECT_EQ(ReadFile(library + "kept.txt"), "mine\n");
}

TEST(Startup, SecondOfThreeApplicationsFailing) {
    Installation install;
    const std::string first = install.AddPackage("Alpha", "bin/KxApp");
    const std::string second = install.AddPackage("Beta", "bin/KxApp", "init-return 7\n");
    install.AddPackage("Gamma", "bin/KxApp");
    install.WriteAppList({{LibraryName("Alpha")}, {LibraryName("Beta")}, {LibraryName("Gamma")}});
    Platform platform(install);
    EXPECT_EQ(platform.Init(), 1);

    const Strings messages = install.Messages();
    const Strings external = Between(messages, "External Register Begin", "");
    EXPECT_EQ(external, Join({ImportRecords(first),
                              {"App Init Begin", second, "App Init End", "init=1 return=7",
                               "External Failed", "External Register End", "PlatformBuild Failed",
                               "PlatformBuild End", "OrvaneInit End"}}));
    EXPECT_FALSE(AnyStartsWith(messages, "InternalPost"));
    EXPECT_EQ(install.Events(), (Strings{"Init Alpha as Alpha", "Init Alpha returns 0",
                                         "Init Beta as Beta", "Init Beta returns 7", "Exit Beta"}));
    const auto list = platform.List();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].path, first);
}

TEST(Startup, ExceptionInBuildClearsTheRegistry) {
    Installation install;
    install.AddPackage("Alpha", "bin");
    install.WritePreLoad({{"Alpha"}});
    // A drive letter without a separator cannot be parsed; the list fails as a whole.
    install.WriteAppList({{"C:broken.so", "0"}});
    Platform platform(install);
    EXPECT_EQ(platform.Init(), 1);
    const Strings messages = install.Messages();
    const Strings tail = Between(messages, "External Register Begin", "");
    ASSERT_EQ(tail.size(), 8u);
    EXPECT_EQ(tail[0], "External Register End");
    EXPECT_EQ(tail[1].rfind("load err:", 0), 0u) << tail[1];
    EXPECT_NE(tail[1].find("C:broken.so"), std::string::npos) << tail[1];
    // The registry was cleared: the pre-load stage is taken down again.
    EXPECT_EQ(Strings(tail.begin() + 2, tail.begin() + 5),
              (Strings{"App Exit Begin", install.OrvanePath(), "App Exit End"}));
    EXPECT_EQ(Strings(messages.end() - 3, messages.end()),
              (Strings{"PlatformBuild Failed", "PlatformBuild End", "OrvaneInit End"}));
    EXPECT_EQ(install.Events().back(), "Exit Alpha");
}

TEST(Startup, DisabledApplicationsAndQaModulesAreSkippedInOrder) {
    Installation install;
    for (const char* name : {"ModA", "ModB", "ModC", "ModD"}) {
        install.AddPackage(name, "bin");
    }
    for (const char* name : {"Alpha", "Beta", "Gamma", "Delta"}) {
        install.AddPackage(name, "bin/KxApp");
    }
    install.WriteFile(install.PlatformRoot() + "NevraPreLoad.xml",
                      "<List><module name=\"ModC\" qa=\"0\"/><module name=\"ModB\" qa=\"1\"/>"
                      "<module name=\"ModX\"/><module name=\"ModA\" qa=\"\"/>"
                      "<other name=\"ModD\" qa=\"0\"/><group><module name=\"ModD\" qa=\"0\"/>"
                      "</group></List>");
    install.WriteAppList({{LibraryName("Delta"), "1"},
                          {LibraryName("Beta"), "true"},
                          {LibraryName("Gamma"), "01"},
                          {LibraryName("Alpha"), "1"}});
    Platform platform(install);
    ASSERT_EQ(platform.Init(), 0);
    EXPECT_EQ(install.Events(),
              (Strings{"Init ModC as ModC", "Init ModC returns 0", "Init ModA as ModA",
                       "Init ModA returns 0", "Init Delta as Delta", "Init Delta returns 0",
                       "Init Alpha as Alpha", "Init Alpha returns 0"}));
}

TEST(Startup, PendingApplicationListIsPromotedAndGone) {
    Installation install;
    install.AddPackage("Alpha", "bin/KxApp");
    install.AddPackage("Beta", "bin/KxApp");
    install.WriteAppList({{LibraryName("Alpha")}});
    install.WritePendingAppList({{LibraryName("Beta")}});
    const std::string pending = ReadFile(install.PlatformRoot() + "NevraPreLoadApp.tmp.xml");
    Platform platform(install);
    ASSERT_EQ(platform.Init(), 0);
    EXPECT_FALSE(Exists(install.PlatformRoot() + "NevraPreLoadApp.tmp.xml"));
    EXPECT_EQ(ReadFile(install.PlatformRoot() + "NevraPreLoadApp.xml"), pending);
    EXPECT_EQ(install.Events(), (Strings{"Init Beta as Beta", "Init Beta returns 0"}));
}

TEST(Startup, ExitStopsTheLogAndCanBeRepeated) {
    Installation install;
    Platform platform(install);
    ASSERT_EQ(platform.Init(), 0);
    EXPECT_EQ(platform.Exit(), 0);
    EXPECT_EQ(platform.Exit(), 0); // its records go to standard error: the log has stopped
    const Strings messages = install.Messages();
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "OrvaneExit Begin"), 1);
    EXPECT_EQ(messages.back(), "OrvaneExit End");
}

} // namespace
} // namespace orvane::test
