#include "HostTestSupport.h"

#include <KxLog/KxLog.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <iomanip>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

namespace {

using HostTest::ReadLines;

// time, level, module, source, line, message
const std::regex recordPattern(R"(^(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)\.\d{3}\t(INFO|ERROR|FATAL)\t)"
                               R"(([^\t]*)\t([^\t]*)\t(-?\d+)\t([^\t]*)$)");

std::vector<std::string> Fields(const std::string& line) {
    std::smatch match;
    if (!std::regex_match(line, match, recordPattern)) {
        ADD_FAILURE() << "not a record: " << line;
        return std::vector<std::string>(7);
    }
    return {match.begin(), match.end()};
}

// Seconds between a record's local time stamp and now.
double StampAge(const std::string& stamp) {
    std::tm local{};
    std::istringstream(stamp) >> std::get_time(&local, "%Y-%m-%dT%H:%M:%S");
    local.tm_isdst = -1;
    return std::difftime(std::time(nullptr), std::mktime(&local));
}

class KxLogTest : public ::testing::Test {
protected:
    void TearDown() override { KxLogExit(); }
    std::filesystem::path LogFile() const { return dir.Path() / "KxLog.log"; }
    HostTest::TempDir dir;
};

// A time zone with an unusual offset, so that a stamp in UTC instead of local time shows.
struct LocalZone final {
    struct Refresh {
        ~Refresh() { tzset(); }
    } refresh; // runs after `zone` restored the variable
    HostTest::ScopedEnv zone{"TZ", "ORV-05:30"};
    LocalZone() { tzset(); }
};

TEST_F(KxLogTest, EachCallWritesOneFlushedLineOfSixFields) {
    const LocalZone zone;
    using Write = void (*)(const char*, const char*, int, const char*);
    const struct {
        Write write;
        const char *module, *source;
        int line;
        const char* message;
        std::vector<std::string> expected; // level, module, source, line, message
    } rows[] = {
        {KxInfo,
         "Orvane",
         "Orvane",
         42,
         "Begin PreBuild",
         {"INFO", "Orvane", "Orvane", "42", "Begin PreBuild"}},
        {KxError,
         "a.b",
         "KxPackage",
         7,
         "App Import failed",
         {"ERROR", "a.b", "KxPackage", "7", "App Import failed"}},
        {KxFatal,
         "Orvane",
         "KxPackageMgrImpl",
         -3,
         "x",
         {"FATAL", "Orvane", "KxPackageMgrImpl", "-3", "x"}},
        {KxInfo, nullptr, nullptr, 0, nullptr, {"INFO", "", "", "0", ""}},
        {KxInfo, "m", "s", 1, "tab\there\nnext", {"INFO", "m", "s", "1", "tab here next"}},
    };
    KxLogSetOutputPath(dir.Str().c_str());
    KxLogInit();
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        rows[i].write(rows[i].module, rows[i].source, rows[i].line, rows[i].message);
        const auto lines = ReadLines(LogFile());
        ASSERT_EQ(lines.size(), i + 1);
        const auto fields = Fields(lines.back());
        EXPECT_EQ(std::vector<std::string>(fields.begin() + 2, fields.end()), rows[i].expected);
        EXPECT_LE(std::abs(StampAge(fields[1])), 5.0) << fields[1];
    }
}

TEST_F(KxLogTest, OutputDirectoryIsCreatedWithMissingLevelsAndAppendedToAcrossCycles) {
    std::filesystem::create_directories(dir.Path() / "existing");
    HostTest::WriteFile(dir.Path() / "existing" / "KxLog.log", "earlier\n");
    for (const std::string relative : {"existing", "existing/", "missing/a/b/"}) {
        KxLogSetOutputPath(dir.Str(relative).c_str());
        KxLogInit();
        KxInfo("m", "s", 1, relative.c_str());
        KxLogExit();
    }
    const auto existing = ReadLines(dir.Path() / "existing" / "KxLog.log");
    ASSERT_EQ(existing.size(), 3u);
    EXPECT_EQ(existing[0], "earlier");
    EXPECT_EQ(Fields(existing[1])[6], "existing");
    EXPECT_EQ(Fields(existing[2])[6], "existing/");
    EXPECT_EQ(ReadLines(dir.Path() / "missing/a/b/KxLog.log").size(), 1u);
}

TEST_F(KxLogTest, UnusableOutputDirectoryIsReportedAndRecordsGoToStandardError) {
    HostTest::WriteFile(dir.Path() / "blocker", "");
    for (const auto& [output, reason] :
         {std::pair<std::string, std::string>{dir.Str("blocker/logs"), "cannot create directory"},
          {"", "no output directory was set"}}) {
        KxLogSetOutputPath(output.c_str());
        testing::internal::CaptureStderr();
        KxLogInit();
        KxError("m", "s", 5, "kept");
        const auto lines = HostTest::SplitLines(testing::internal::GetCapturedStderr());
        ASSERT_EQ(lines.size(), 2u);
        const auto own = Fields(lines[0]);
        EXPECT_EQ(own[3], "KxLog");
        EXPECT_NE(own[6].find(reason + (output.empty() ? "" : " " + output)), std::string::npos)
            << own[6];
        EXPECT_EQ(Fields(lines[1])[6], "kept");
    }
}

// A child process writes before init, inside, after exit and from an exit handler that runs
// after the library's static state is gone.
TEST_F(KxLogTest, RecordsOutsideTheLogWindowGoToStandardErrorInTheSameFormat) {
    const struct {
        const char* mode;
        std::vector<std::string> stderrRecords; // level + message
    } rows[] = {{"exit", {"INFO before", "ERROR after", "FATAL late"}},
                {"noexit", {"INFO before", "FATAL late"}}};
    for (const auto& row : rows) {
        const HostTest::TempDir out;
        const std::string command = std::string(KXLOG_PROBE) + " '" + out.Str() + "' " + row.mode +
                                    " 2>'" + out.Str("stderr.txt") + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        std::vector<std::string> seen;
        for (const auto& line : ReadLines(out.Path() / "stderr.txt")) {
            const auto fields = Fields(line);
            seen.push_back(fields[2] + " " + fields[6]);
        }
        EXPECT_EQ(seen, row.stderrRecords) << row.mode;
        const auto file = ReadLines(out.Path() / "KxLog.log");
        ASSERT_EQ(file.size(), 1u) << row.mode;
        EXPECT_EQ(Fields(file[0])[6], "inside");
    }
}

TEST_F(KxLogTest, ConcurrentRecordsStayWholeAndNoneIsLostWhileTheLogStartsAndStops) {
    constexpr int writers = 4;
    constexpr int perWriter = 300;
    KxLogSetOutputPath(dir.Str().c_str());
    testing::internal::CaptureStderr();
    std::atomic<bool> done{false};
    std::thread toggler([&done] {
        while (!done) {
            KxLogInit();
            std::this_thread::yield();
            KxLogExit();
        }
    });
    std::vector<std::thread> threads;
    for (int t = 0; t < writers; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < perWriter; ++i) {
                const std::string message = std::to_string(t) + "-" + std::to_string(i);
                KxInfo("module", "source", i, message.c_str());
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    done = true;
    toggler.join();
    auto lines = HostTest::SplitLines(testing::internal::GetCapturedStderr());
    const auto fileLines = ReadLines(LogFile());
    lines.insert(lines.end(), fileLines.begin(), fileLines.end());
    std::set<std::string> messages;
    for (const auto& line : lines) {
        messages.insert(Fields(line)[6]);
    }
    EXPECT_EQ(lines.size(), std::size_t{writers * perWriter});
    EXPECT_EQ(messages.size(), std::size_t{writers * perWriter});
}

} // namespace
