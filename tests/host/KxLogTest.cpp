#include "HostTestSupport.h"

#include <KxLog/KxLog.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>
#include <iomanip>
#include <regex>
#include <sstream>

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

// The local time now, in the form of a record's stamp.
std::string LocalStamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    ::localtime_r(&seconds, &local);
    std::ostringstream out;
    out << std::put_time(&local, "%Y-%m-%dT%T.") << std::setw(3) << std::setfill('0')
        << milliseconds;
    return out.str();
}

// The stamp of the last line of `text`.
std::string LastStamp(const std::string& text) {
    const auto start = text.rfind('\n', text.size() - 2);
    const std::string line = text.substr(start == std::string::npos ? 0 : start + 1);
    return line.substr(0, line.find('\t'));
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
    // Another host's record in the same file; the tap shows this process's lines alone.
    const std::string foreign = "2020-01-01T00:00:00.000\tINFO\tm\ts\t1\tother host\n";
    std::ofstream(dir.At("KxLog.log")) << foreign;
    std::string tapped;
    KxLogSetTap([](const char* line, void* to) { static_cast<std::string*>(to)->append(line); },
                &tapped);
    KxLogSetOutputPath(dir.At("").c_str());
    KxLogInit();
    Strings expected{"INFO\tm\ts\t1\tother host"};
    Strings stamps;
    for (const auto& [write, module, source, line, message, record] : rows) {
        stamps.push_back(LocalStamp());
        write(module, source, line, message);
        stamps.push_back(LastStamp(tapped));
        stamps.push_back(LocalStamp());
        expected.push_back(record);
        ASSERT_EQ(Records(ReadFile(dir.At("KxLog.log"))), expected);
    }
    KxLogSetTap(nullptr, nullptr);
    EXPECT_EQ(foreign + tapped, ReadFile(dir.At("KxLog.log")));
    // Stamped when written: each stamp lies between the local times read just before and just
    // after its write, in the stamp's own form, which orders as text.
    for (const std::string& stamp : stamps) {
        EXPECT_EQ(stamp.size(), LocalStamp().size()) << stamp;
    }
    EXPECT_TRUE(std::is_sorted(stamps.begin(), stamps.end())) << testing::PrintToString(stamps);
}

// Missing levels are created and an existing file is appended to; a directory that cannot be
// had is reported on standard error, where the records then go.
TEST_F(KxLogTest, OutputDirectoryIsCreatedAndAppendedToOrItsFailureReported) {
    std::ofstream(dir.At("KxLog.log")) << "2020-01-01T00:00:00.000\tINFO\tm\ts\t1\tearlier\n";
    CaptureStderr();
    for (auto out : {dir.At(""), dir.At("new/a/b/"), dir.At("KxLog.log/a"), std::string()}) {
        KxLogSetOutputPath(out.c_str());
        KxLogInit();
        KxError("m", "s", 5, "kept");
        KxLogExit();
    }
    // The library's own records carry the line of its source that wrote them.
    const std::string onStderr = std::regex_replace(
        GetCapturedStderr(), std::regex("\tKxLog\tKxLog\t\\d+\t"), "\tKxLog\tKxLog\tN\t");
    const std::string kept = "ERROR\tm\ts\t5\tkept", own = "ERROR\tKxLog\tKxLog\tN\tKxLogInit: ",
                      then = "; records go to standard error";
    EXPECT_EQ(Records(onStderr), (Strings{own + "cannot create directory " + dir.At("KxLog.log/a") +
                                              ": Not a directory" + then,
                                          kept, own + "no output directory was set" + then, kept}));
    EXPECT_EQ(Records(ReadFile(dir.At("KxLog.log"))), (Strings{"INFO\tm\ts\t1\tearlier", kept}));
    EXPECT_EQ(Records(ReadFile(dir.At("new/a/b/KxLog.log"))), Strings{kept});
}

// A child process writes before init, inside, and from an exit handler that runs after the
// library's static state is gone, without ever closing the log.
TEST_F(KxLogTest, RecordsBeforeTheLogOpensWaitForItAndLaterOnesGoToStandardError) {
    const std::string command =
        std::string(KXLOG_PROBE) + " '" + dir.At("") + "' 2>'" + dir.At("stderr.txt") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    // What came before the log opened is kept for it; what comes after it closed has no file.
    EXPECT_EQ(Records(ReadFile(dir.At("stderr.txt"))),
              Strings{"FATAL\tProbe\tKxLogProbe\t3\tlate"});
    EXPECT_EQ(
        Records(ReadFile(dir.At("KxLog.log"))),
        (Strings{"INFO\tProbe\tKxLogProbe\t1\tbefore", "INFO\tProbe\tKxLogProbe\t2\tinside"}));
}

} // namespace
