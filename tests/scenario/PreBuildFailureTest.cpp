// Start-up failures in the pre-build, which copies the installation's custom library into the
// user's: the record before the failure names the folder or file and the system's reason, and the
// user library holds nothing half made, so that the next start, once the cause is gone, seeds
// what is missing. The reasons are the C library's texts, and one row reads /proc: Linux only.
#include "Scenario.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace orvane::test {
namespace {

using Strings = std::vector<std::string>;

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

} // namespace
} // namespace orvane::test
