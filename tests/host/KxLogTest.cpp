#include "HostTestSupport.h"

#include <Kaldor/Kaldor.h>
#include <KxDbBase/KxDbBase.h>
#include <KxLog/KxLog.h>

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <fstream>
#include <iomanip>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

namespace {

using orvane::test::ReadFile;
using Strings = std::vector<std::string>;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

// A record is a local time stamp with milliseconds, then level, module, source, line and
// message; each record of `text` is rendered here without its stamp, whose form is checked.
Strings Records(const std::string& text) {
    static const std::regex stamp(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}\t)");
    Strings records;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_TRUE(std::regex_search(line, stamp)) << "not a record: " << line;
        records.push_back(line.substr(std::min<std::size_t>(24, line.size())));
    }
    return records;
}

class KxLogTest : public ::testing::Test {
protected:
    void TearDown() override { KxLogExit(); }
    HostTest::TempDir dir;
};

TEST_F(KxLogTest, EachCallWritesOneFlushedLineOfSixFieldsStampedNow) {
    using Write = void (*)(const char*, const char*, int, const char*);
    const std::tuple<Write, const char*, const char*, int, const char*, const char*> rows[] = {
        {KxInfo, "Orvane", "Orvane", 42, "Begin", "INFO\tOrvane\tOrvane\t42\tBegin"},
        {KxError, "a.b", "KxPackage", 7, "failed", "ERROR\ta.b\tKxPackage\t7\tfailed"},
        {KxFatal, "Orvane", "KxPackageMgrImpl", -3, "x", "FATAL\tOrvane\tKxPackageMgrImpl\t-3\tx"},
        {KxInfo, nullptr, nullptr, 0, nullptr, "INFO\t\t\t0\t"},
        {KxInfo, "m", "s", 1, "tab\there\nnext", "INFO\tm\ts\t1\ttab here next"},
    };
    KxLogSetOutputPath(dir.Str().c_str());
    KxLogInit();
    Strings expected;
    for (const auto& [write, module, source, line, message, record] : rows) {
        write(module, source, line, message);
        expected.push_back(record);
        ASSERT_EQ(Records(ReadFile(dir.Str("KxLog.log"))), expected);
    }
    std::tm local{};
    std::istringstream(ReadFile(dir.Str("KxLog.log"))) >> std::get_time(&local, "%Y-%m-%dT%T");
    local.tm_isdst = -1;
    EXPECT_NEAR(std::difftime(std::time(nullptr), std::mktime(&local)), 0.0, 5.0);
}

// Missing levels are created and an existing file is appended to; a directory that cannot be
// had is reported on standard error, where the records then go.
TEST_F(KxLogTest, OutputDirectoryIsCreatedAndAppendedToOrItsFailureReported) {
    std::filesystem::create_directories(dir.Str("old"));
    std::ofstream(dir.Str("old/KxLog.log")) << "earlier\n";
    CaptureStderr();
    for (const auto& output :
         {dir.Str("old"), dir.Str("new/a/b/"), dir.Str("old/KxLog.log/a"), std::string()}) {
        KxLogSetOutputPath(output.c_str());
        KxLogInit();
        KxError("m", "s", 5, "kept");
        KxLogExit();
    }
    // The library's own records carry the line of its source that wrote them.
    const std::string onStderr = std::regex_replace(
        GetCapturedStderr(), std::regex("\tKxLog\tKxLog\t\\d+\t"), "\tKxLog\tKxLog\tN\t");
    const std::string kept = "ERROR\tm\ts\t5\tkept", own = "ERROR\tKxLog\tKxLog\tN\tKxLogInit: ",
                      then = "; records go to standard error";
    EXPECT_EQ(Records(onStderr),
              (Strings{own + "cannot create directory " + dir.Str("old/KxLog.log/a") +
                           ": Not a directory" + then,
                       kept, own + "no output directory was set" + then, kept}));
    const std::string old = ReadFile(dir.Str("old/KxLog.log"));
    EXPECT_EQ(old.substr(0, 8), "earlier\n");
    EXPECT_EQ(Records(old.substr(8)), Strings{kept});
    EXPECT_EQ(Records(ReadFile(dir.Str("new/a/b/KxLog.log"))), Strings{kept});
}

// A child process writes before init, inside, after exit and from an exit handler that runs
// after the library's static state is gone.
TEST_F(KxLogTest, RecordsOutsideTheLogWindowGoToStandardErrorInTheSameFormat) {
    const std::string before = "INFO\tProbe\tKxLogProbe\t1\tbefore",
                      late = "FATAL\tProbe\tKxLogProbe\t3\tlate";
    const std::pair<const char*, Strings> rows[] = {
        {"exit", {before, "ERROR\tProbe\tKxLogProbe\t4\tafter", late}}, {"noexit", {before, late}}};
    for (const auto& [mode, stderrRecords] : rows) {
        const HostTest::TempDir out;
        const std::string command = std::string(KXLOG_PROBE) + " '" + out.Str() + "' " + mode +
                                    " 2>'" + out.Str("stderr.txt") + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        EXPECT_EQ(Records(ReadFile(out.Str("stderr.txt"))), stderrRecords) << mode;
        EXPECT_EQ(Records(ReadFile(out.Str("KxLog.log"))),
                  Strings{"INFO\tProbe\tKxLogProbe\t2\tinside"});
    }
}

// Writers in several threads, which also start and stop the log between their calls: every
// record, and every trace line of two libraries with their own trace code (long ones too),
// arrives whole, once.
TEST_F(KxLogTest, ConcurrentRecordsAndTraceLinesStayWholeAndNoneIsLost) {
    constexpr int count = 1200;
    const HostTest::TraceFile trace;
    const std::string longName = "/" + std::string(2000, 'd') + "/";
    KxLogSetOutputPath(dir.Str().c_str());
    CaptureStderr();
    std::atomic<int> next{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&next, &longName] {
            for (int i = next++; i < count; i = next++) {
                const std::string text = std::to_string(i);
                KxInfo("m", "s", i, text.c_str());
                kdlPathAdd(("/" + text + longName).c_str());
                KxDbUnRegister(i);
                (i % 2 == 0 ? KxLogInit : KxLogExit)();
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    std::multiset<std::string> expectedRecords, expectedTrace;
    for (int i = 0; i < count; ++i) {
        const std::string text = std::to_string(i);
        expectedRecords.insert("INFO\tm\ts\t" + text + "\t" + text);
        expectedTrace.insert(
            {"kdlPathAdd\t/" + text + longName + "\t0", "KxDbUnRegister\t" + text});
    }
    const Strings records = Records(GetCapturedStderr() + ReadFile(dir.Str("KxLog.log")));
    const Strings traced = trace.Lines();
    EXPECT_EQ(std::multiset<std::string>(records.begin(), records.end()), expectedRecords);
    EXPECT_TRUE(std::multiset<std::string>(traced.begin(), traced.end()) == expectedTrace)
        << "trace lines torn, lost or doubled";
}

} // namespace
