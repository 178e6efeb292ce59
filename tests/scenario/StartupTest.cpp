// Start-up and shut-down as a host sees them: results, the log's records and their order.
#include "Scenario.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

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
    install.WriteAppList({{"Alpha.so"}});

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

// PreBuild failures: the record before the failure names the folder or file and the reason, and
// the user library holds nothing half made, so that the next start, once the cause is gone,
// seeds what is missing.
struct PreBuildFailure {
    const char* name;
    void (*breakIt)(const Installation&);
    void (*repair)(const Installation&);
    Strings records;    // after "PlatformPreBuild Begin"; a final "*" makes a prefix
    const char* cause;  // a part of the ERROR record
    const char* seeded; // a file that the repaired start finds seeded
};

std::vector<::testing::Matcher<std::string>> Patterns(const Strings& texts) {
    std::vector<::testing::Matcher<std::string>> patterns;
    for (const auto& text : texts) {
        if (!text.empty() && text.back() == '*') {
            patterns.push_back(::testing::StartsWith(text.substr(0, text.size() - 1)));
        } else {
            patterns.push_back(text);
        }
    }
    return patterns;
}

void PrintTo(const PreBuildFailure& row, std::ostream* out) {
    *out << row.name;
}

class PreBuildFailures : public ::testing::TestWithParam<PreBuildFailure> {};

TEST_P(PreBuildFailures, NameTheCauseAndLeaveNothingHalfMade) {
    const PreBuildFailure& row = GetParam();
    Installation install;
    install.WriteFile(install.PlatformRoot() + "Library/custom/sub/deep.txt", "deep\n");
    row.breakIt(install);
    {
        Platform platform(install);
        EXPECT_EQ(platform.Init(), 1);
        Strings expected{"OrvaneInit Begin", "PlatformPreBuild Begin"};
        expected.insert(expected.end(), row.records.begin(), row.records.end());
        EXPECT_THAT(install.Messages(), ::testing::ElementsAreArray(Patterns(expected)));
        const auto records = install.Records();
        const auto error = std::find_if(records.begin(), records.end(),
                                        [](const auto& r) { return r.level == "ERROR"; });
        ASSERT_NE(error, records.end());
        EXPECT_THAT(error->message, ::testing::HasSubstr(row.cause));
        EXPECT_NE(
            std::find_if(error, records.end(), [](const auto& r) { return r.level == "FATAL"; }),
            records.end());
        EXPECT_TRUE(install.Events().empty());
        platform.Exit();
    }
    const std::string library = install.Home() + "library/Nevra/";
    EXPECT_FALSE(Exists(library + "sub"));
    std::error_code missing;
    for (const auto& entry : std::filesystem::directory_iterator(library, missing)) {
        EXPECT_EQ(entry.path().string().find(".part"), std::string::npos) << entry.path();
    }
    row.repair(install);
    install.RemovePath(install.LogFile());
    Platform platform(install);
    EXPECT_EQ(platform.Init(), 0);
    EXPECT_EQ(ReadFile(library + row.seeded),
              ReadFile(install.PlatformRoot() + "Library/custom/" + row.seeded));
}

INSTANTIATE_TEST_SUITE_P(
    Startup, PreBuildFailures,
    ::testing::Values(
        PreBuildFailure{"NoCustomLibrary",
                        [](const Installation& i) { i.RemovePath(i.PlatformRoot() + "Library"); },
                        [](const Installation& i) {
                            i.WriteFile(i.PlatformRoot() + "Library/custom/seed.txt", "seed\n");
                        },
                        {"cannot read the custom library folder *", "PreBuild Failed",
                         "PlatformPreBuild End", "OrvaneInit End"},
                        "Library/custom/: No such file or directory",
                        "seed.txt"},
        PreBuildFailure{"UserLibraryIsAFile",
                        [](const Installation& i) { i.WriteFile(i.Home() + "library", "x"); },
                        [](const Installation& i) { i.RemovePath(i.Home() + "library"); },
                        {"cannot create the user library folder: *", "PreBuild Failed",
                         "PlatformPreBuild End", "OrvaneInit End"},
                        "library': File exists",
                        "sub/deep.txt"},
        // A process's memory file is a regular file that fails every read at its start, also
        // for root: the copy of its folder fails half-way through.
        PreBuildFailure{
            "SeedFailsInsideATree",
            [](const Installation& i) {
                std::filesystem::create_symlink("/proc/self/mem",
                                                i.PlatformRoot() + "Library/custom/sub/mem");
            },
            [](const Installation& i) {
                i.RemovePath(i.PlatformRoot() + "Library/custom/sub/mem");
            },
            {"PlatformPreBuild End", "OrvaneInit End", "*", "OrvaneInit Unexpected Error"},
            "Input/output error",
            "sub/deep.txt"}),
    [](const auto& info) { return std::string(info.param.name); });

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
    install.WriteAppList({{"Alpha.so"}, {"Beta.so"}, {"Gamma.so"}});
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
    install.WriteAppList(
        {{"Delta.so", "1"}, {"Beta.so", "true"}, {"Gamma.so", "01"}, {"Alpha.so", "1"}});
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
    install.WriteAppList({{"Alpha.so"}});
    install.WritePendingAppList({{"Beta.so"}});
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
