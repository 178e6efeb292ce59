// Reading a start-up back from its log records, and explaining the loader's texts.
#include "StartupTimeline.h"
#include "LoaderMessage.h"
#include "LogRecords.h"

#include <gtest/gtest.h>

namespace kaldor::test {

namespace {

std::vector<LogRecord> Records(const std::vector<std::pair<int, std::string>>& lines) {
    std::vector<LogRecord> records;
    for (const auto& [millis, message] : lines) {
        const bool fatal = message.rfind("FATAL ", 0) == 0;
        records.push_back({"", millis, fatal ? "FATAL" : "INFO", "Orvane", "Orvane", 1,
                           fatal ? message.substr(6) : message});
    }
    return records;
}

TEST(KaldorLogRecords, ParsesLinesAndTimes) {
    const auto record =
        ParseLogLine("2026-03-01T23:59:59.250\tFATAL\tOrvane\tKxPackage\t120\tload err:a\tb");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->level, "FATAL");
    EXPECT_EQ(record->source, "KxPackage");
    EXPECT_EQ(record->line, 120);
    EXPECT_EQ(record->message, "load err:a\tb"); // a tab in the message is kept
    // Across midnight and a month's end the difference is still right.
    const auto before = ParseLogTime("2026-02-28T23:59:59.999");
    const auto after = ParseLogTime("2026-03-01 00:00:00.001");
    ASSERT_TRUE(before && after);
    EXPECT_EQ(*after - *before, 2);
    EXPECT_EQ(*ParseLogTime("2026-01-01T00:00:01.5") - *ParseLogTime("2026-01-01T00:00:01"), 500);
    EXPECT_FALSE(ParseLogLine("2026-03-01T00:00:00.000\tINFO\tOrvane"));
    EXPECT_FALSE(ParseLogTime("yesterday"));
    EXPECT_FALSE(ParseLogTime("2026-13-01T00:00:00"));
}

TEST(KaldorTimeline, StagesAndNestedPackages) {
    const auto timeline = StartupTimeline::FromRecords(Records({
        {0, "OrvaneInit Begin"},
        {1, "PlatformBuild Begin"},
        {2, "External Register Begin"},
        {3, "App Init Begin"},
        {3, "/i/bin/KxApp/Parent.so"},
        {5, "App Init End"},
        {6, "App Init Begin"},
        {6, "/i/bin/KxApp/Child.so"},
        {7, "App Init End"},
        {9, "init=1 return=0"},  // the child's Init
        {12, "init=1 return=3"}, // the parent's Init
        {13, "App Init Begin"},
        {13, "/i/bin/KxApp/Broken.so"},
        {13, "FATAL Could not get init/exit address, path=/i/bin/KxApp/Broken.so"},
        {14, "App Init End"},
        {15, "init=1 return=0"}, // a package registered again: no Init is running
        {16, "External Register End"},
        {17, "PlatformBuild End"},
        {20, "OrvaneInit End"},
    }));

    ASSERT_EQ(timeline.Stages().size(), 3u);
    EXPECT_EQ(timeline.Stage("OrvaneInit")->Duration(), 20);
    EXPECT_EQ(timeline.Stage("External Register")->depth, 2);
    EXPECT_EQ(timeline.Stage("External Register")->Duration(), 14);

    const auto& packages = timeline.Packages();
    ASSERT_EQ(packages.size(), 3u);
    EXPECT_EQ(packages[0].path, "/i/bin/KxApp/Parent.so");
    EXPECT_EQ(packages[0].stage, "External");
    EXPECT_EQ(packages[0].ImportDuration(), 2);
    EXPECT_EQ(packages[0].InitDuration(), 7);
    EXPECT_EQ(packages[0].initResult, 3);
    EXPECT_EQ(packages[1].depth, 1);
    EXPECT_EQ(packages[1].InitDuration(), 2);
    EXPECT_EQ(packages[1].initResult, 0);
    EXPECT_FALSE(packages[2].Imported());
    EXPECT_EQ(packages[2].importFailure,
              "Could not get init/exit address, path=/i/bin/KxApp/Broken.so");
    EXPECT_FALSE(packages[2].initResult);
}

TEST(KaldorTimeline, UnfinishedStageHasNoDuration) {
    const auto timeline = StartupTimeline::FromRecords(
        Records({{0, "OrvaneInit Begin"}, {1, "PlatformPreBuild Begin"}, {2, "OrvaneInit End"}}));
    EXPECT_FALSE(timeline.Stage("PlatformPreBuild")->Duration());
    EXPECT_EQ(timeline.Stage("OrvaneInit")->Duration(), 2);
    EXPECT_EQ(ParseInitRecord("init=1 return=-1"), -1);
    EXPECT_FALSE(ParseInitRecord("init=1 return="));
    EXPECT_FALSE(ParseInitRecord("init=1 returned=0"));
}

TEST(KaldorLoaderMessage, NamesWhatIsMissing) {
    const std::string lib = "/i/apps/Plotter.so";
    struct Case {
        std::string text;
        LoaderProblem::Kind kind;
        std::string subject;
    };
    const std::vector<Case> cases{
        {lib + ": cannot open shared object file: No such file or directory",
         LoaderProblem::Kind::FileMissing, lib},
        {"Plotter.so: cannot open shared object file: No such file or directory",
         LoaderProblem::Kind::FileMissing, "Plotter.so"},
        {lib + ": cannot open shared object file: Permission denied",
         LoaderProblem::Kind::FileUnreadable, lib},
        {"PlotMath.so: cannot open shared object file: No such file or directory",
         LoaderProblem::Kind::DependencyMissing, "PlotMath.so"},
        {lib + ": undefined symbol: PlotMathScale", LoaderProblem::Kind::UndefinedSymbol,
         "PlotMathScale"},
        {lib + ": wrong ELF class: ELFCLASS32", LoaderProblem::Kind::WrongArchitecture, lib},
        {lib + ": invalid ELF header", LoaderProblem::Kind::NotALibrary, lib},
        {"something new", LoaderProblem::Kind::Other, ""},
    };
    for (const auto& c : cases) {
        const LoaderProblem problem = ParseLoaderText(c.text, lib);
        EXPECT_EQ(problem.kind, c.kind) << c.text;
        EXPECT_EQ(problem.subject, c.subject) << c.text;
    }
    EXPECT_EQ(ExplainLoaderText(cases[3].text, lib, "the package"),
              "its dependency PlotMath.so is missing (looked for beside it, in the "
              "installation's bin folder and on the system's library path)");
    EXPECT_EQ(ExplainLoaderText("something new", lib, "the package"),
              "the loader said: something new");
}

} // namespace

} // namespace kaldor::test
