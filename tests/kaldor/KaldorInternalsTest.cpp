// The pieces kaldor reads a start-up with where input no demo run produces can trip them: log
// times across midnight and a start-up that stopped half-way.
#include "KaldorTestSupport.h"
#include "report/StartupTrace.h"
#include <orvane/recovery/LogRecords.h>

#include <gtest/gtest.h>

#include <QJsonArray>

#include <iterator>
#include <map>

namespace kaldor::test {

using namespace orvane::recovery;

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

// A package that crashed inside its Init leaves its import's records and nothing after them:
// the open spans last until the last record and say so; a failed import has no Init span.
TEST(KaldorStartupTrace, SpansOfAnInterruptedStartUpEndAtTheLastRecord) {
    std::vector<LogRecord> records;
    const auto add = [&records](std::int64_t ms, const char* level, const std::string& message) {
        LogRecord record;
        record.milliseconds = 1000 + ms;
        record.level = level;
        record.message = message;
        records.push_back(record);
    };
    add(0, "INFO", "OrvaneInit Begin");
    add(1, "INFO", "External Register Begin");
    add(2, "INFO", "App Init Begin");
    add(2, "INFO", "/i/Broken.so");
    add(3, "FATAL", "Could not get init/exit address, path=/i/Broken.so");
    add(3, "INFO", "App Init End");
    add(4, "INFO", "App Init Begin");
    add(4, "INFO", "/i/Crash.so");
    add(6, "INFO", "App Init End");
    const QJsonObject trace =
        StartupTraceDocument(StartupTimeline::FromRecords(records), {{"/i/Crash.so", 7}});
    std::map<QString, QJsonObject> events;
    for (const QJsonValue event : trace["traceEvents"].toArray()) {
        if (event["ph"] == "X") {
            events[event["name"].toString()] = event.toObject();
        }
    }
    const struct {
        const char* name;
        double ts, dur;
        bool finished;
    } rows[] = {
        {"OrvaneInit", 0, 6000, false},         {"External Register", 1000, 5000, false},
        {"Broken.so import", 2000, 1000, true}, {"Crash.so import", 4000, 2000, true},
        {"Crash.so Init", 6000, 0, false},
    };
    EXPECT_EQ(events.size(), std::size(rows));
    for (const auto& row : rows) {
        const QJsonObject event = events[row.name];
        EXPECT_EQ(event["ts"].toDouble(-1), row.ts) << row.name;
        EXPECT_EQ(event["dur"].toDouble(-1), row.dur) << row.name;
        EXPECT_EQ(event["args"].toObject()["finished"].toBool(true), row.finished) << row.name;
    }
    const QJsonObject crash = events["Crash.so Init"]["args"].toObject();
    EXPECT_EQ(crash["id"].toInt(), 7);
    EXPECT_EQ(crash["stage"].toString(), "External");
    const QJsonObject broken = events["Broken.so import"]["args"].toObject();
    EXPECT_FALSE(broken.contains("id"));
    EXPECT_EQ(broken["failure"].toString(), "Could not get init/exit address, path=/i/Broken.so");
}

TEST(KaldorLogRecords, ReadsTimesOnlyInTheFormTheLogWrites) {
    EXPECT_TRUE(ParseLogTime("2026-03-01T23:59:59"));
    EXPECT_TRUE(ParseLogTime("2026-03-01 23:59:59,25"));
    for (const char* text :
         {"2026-3-01T23:59:59", "2026-03-01T 3:59:59", "2026-03-01T-1:59:59", "+026-03-01T23:59:59",
          " 2026-03-01T23:59:59", "2026-03-01T23:59:59 and more", "2026-03-01T23:59:59.25x",
          "2026-03-01T23:59:5", "2026-13-01T23:59:59"}) {
        EXPECT_FALSE(ParseLogTime(text)) << text;
    }
}

} // namespace

} // namespace kaldor::test
