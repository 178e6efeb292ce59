// The pieces kaldor reads a start-up with where input no demo run produces can trip them: log
// times across midnight, and damaged library files.
#include "ElfFile.h"
#include "KaldorTestSupport.h"
#include "LogRecords.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kaldor::test {

namespace {

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

TEST(KaldorElf, RefusesWhatIsNotALibrary) {
    const DemoCopy demo;
    std::string truncated("\177ELF\2\1\1", 7);
    truncated.resize(24, '\0'); // a whole identification, then the header breaks off
    const std::pair<std::string, std::string> cases[] = {
        {"#!/bin/sh\n", "is not a shared library (no ELF header)"},
        {truncated, "is cut short or damaged"},
    };
    for (const auto& [content, message] : cases) {
        demo.Set("bin/Bad.so", content);
        EXPECT_THAT([&] { ElfFile::Read(demo.Path("bin/Bad.so")); },
                    ::testing::ThrowsMessage<ElfError>(::testing::HasSubstr(message)));
    }
}

} // namespace

} // namespace kaldor::test
