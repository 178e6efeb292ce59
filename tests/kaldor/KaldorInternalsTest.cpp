// The pieces kaldor reads a start-up with, where arithmetic or damaged input can trip them:
// log records, the timeline built from them, and library files.
#include "ElfFile.h"
#include "KaldorTestSupport.h"
#include "LogRecords.h"
#include "StartupTimeline.h"

#include <gtest/gtest.h>

namespace kaldor::test {

namespace {

std::vector<LogRecord> Records(const std::vector<std::pair<int, std::string>>& lines) {
    std::vector<LogRecord> records;
    for (const auto& [millis, message] : lines) {
        records.push_back({"", millis, "INFO", "Orvane", "Orvane", 1, message});
    }
    return records;
}

TEST(KaldorLogRecords, KeepsTabsInMessagesAndCountsAcrossMidnight) {
    const auto record =
        ParseLogLine("2026-03-01T23:59:59.250\tFATAL\tOrvane\tKxPackage\t120\tload err:a\tb");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->line, 120);
    EXPECT_EQ(record->message, "load err:a\tb");
    // Across midnight and a month's end, and with a short fraction, the difference is right.
    const auto ms = [](const char* time) { return ParseLogTime(time).value(); };
    EXPECT_EQ(ms("2026-03-01 00:00:00.001") - ms("2026-02-28T23:59:59.999"), 2);
    EXPECT_EQ(ms("2026-01-01T00:00:01.5") - ms("2026-01-01T00:00:01"), 500);
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
        {15, "init=1 return=0"}, // a package registered again: no Init is running
        {16, "External Register End"},
        {17, "PlatformBuild End"},
        {18, "PlatformPostBuild Begin"}, // never ends
        {20, "OrvaneInit End"},
    }));

    ASSERT_EQ(timeline.Stages().size(), 4u);
    EXPECT_EQ(timeline.Stage("OrvaneInit")->Duration(), 20);
    EXPECT_EQ(timeline.Stage("External Register")->depth, 2);
    EXPECT_EQ(timeline.Stage("External Register")->Duration(), 14);
    EXPECT_FALSE(timeline.Stage("PlatformPostBuild")->Duration());

    const auto& packages = timeline.Packages();
    ASSERT_EQ(packages.size(), 2u);
    EXPECT_EQ(packages[0].path, "/i/bin/KxApp/Parent.so");
    EXPECT_EQ(packages[0].stage, "External");
    EXPECT_EQ(packages[0].ImportDuration(), 2);
    EXPECT_EQ(packages[0].InitDuration(), 7);
    EXPECT_EQ(packages[0].initResult, 3);
    EXPECT_EQ(packages[1].depth, 1);
    EXPECT_EQ(packages[1].InitDuration(), 2);
    EXPECT_EQ(packages[1].initResult, 0);
}

TEST(KaldorElf, RefusesWhatIsNotALibrary) {
    const DemoCopy demo;
    demo.Write("bin/Fake.so", "#!/bin/sh\n");
    std::string truncated("\177ELF\2\1\1", 7);
    truncated.resize(24, '\0'); // a whole identification, then the header breaks off
    demo.Write("bin/Short.so", truncated);
    const std::pair<std::string, std::string> cases[] = {
        {"bin/Fake.so", "is not a shared library (no ELF header)"},
        {"bin/Short.so", "is cut short or damaged"},
    };
    for (const auto& [file, message] : cases) {
        try {
            ElfFile::Read(demo.Path(file));
            ADD_FAILURE() << file;
        } catch (const ElfError& error) {
            EXPECT_NE(std::string(error.what()).find(message), std::string::npos) << error.what();
        }
    }
}

} // namespace

} // namespace kaldor::test
