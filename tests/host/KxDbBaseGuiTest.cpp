#include "HostTestSupport.h"

#include <Kaldor/Kaldor.h>
#include <KxDbBase/KxDbBase.h>
#include <KxGui/KxGui.h>

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <thread>

namespace {

using Strings = std::vector<std::string>;

TEST(KxDbBaseTest, RegisterRefusesListedAndDuplicateIdsUntilUnregistered) {
    const HostTest::TraceFile trace;
    const struct {
        bool reg;
        std::uint32_t id;
        std::uint64_t context;
        std::optional<std::string> refuse;
        int result;
        bool registeredAfter;
        std::string trace;
    } rows[] = {
        {true, 7, 42, std::nullopt, 0, true, "KxDbRegister\t7\t42\t0"},
        {true, 7, 43, std::nullopt, 1, true, "KxDbRegister\t7\t43\t1"},
        {true, 9, 1, " 3, 9 ,x", 1, false, "KxDbRegister\t9\t1\t1"},
        {true, 30, UINT64_MAX, "3", 0, true, "KxDbRegister\t30\t18446744073709551615\t0"},
        {false, 7, 0, std::nullopt, 0, false, "KxDbUnRegister\t7"},
        {false, 99, 0, std::nullopt, 0, false, "KxDbUnRegister\t99"},
        {true, 7, 44, std::nullopt, 0, true, "KxDbRegister\t7\t44\t0"},
    };
    Strings expectedTrace;
    for (const auto& row : rows) {
        const HostTest::ScopedEnv refuse("KXDB_REFUSE_IDS", row.refuse);
        if (row.reg) {
            EXPECT_EQ(KxDbRegister(row.id, row.context), row.result) << row.trace;
        } else {
            KxDbUnRegister(row.id);
        }
        EXPECT_EQ(KxDbIsRegistered(row.id), row.registeredAfter ? 1 : 0) << row.trace;
        expectedTrace.push_back(row.trace);
    }
    KxDbUnRegister(7);
    KxDbUnRegister(30);
    expectedTrace.insert(expectedTrace.end(), {"KxDbUnRegister\t7", "KxDbUnRegister\t30"});
    EXPECT_EQ(trace.Lines(), expectedTrace);
}

TEST(KxGuiTest, LoadSimBrowserProfileTakesOnlyReadableFiles) {
    const HostTest::TraceFile trace;
    const HostTest::TempDir dir;
    HostTest::WriteFile(dir.Path() / "simbrowser_profile.json", "{\"columns\": []}\n");
    HostTest::WriteFile(dir.Path() / "empty.json", "");
    const struct {
        std::string path;
        int result;
        std::string current;
    } rows[] = {{dir.Str("simbrowser_profile.json"), 0, dir.Str("simbrowser_profile.json")},
                {dir.Str("missing.json"), 1, dir.Str("simbrowser_profile.json")},
                {dir.Str(), 1, dir.Str("simbrowser_profile.json")},
                {dir.Str("empty.json"), 0, dir.Str("empty.json")}};
    Strings expectedTrace;
    for (const auto& row : rows) {
        EXPECT_EQ(KxLoadSimBrowserProfile(row.path.c_str()), row.result) << row.path;
        EXPECT_EQ(KxGuiCurrentProfile(), row.current);
        expectedTrace.push_back("KxLoadSimBrowserProfile\t" + row.path + "\t" +
                                std::to_string(row.result));
    }
    EXPECT_EQ(KxLoadSimBrowserProfile(nullptr), 1);
    expectedTrace.push_back("KxLoadSimBrowserProfile\t\t1");
    EXPECT_EQ(trace.Lines(), expectedTrace);
}

// Two libraries with their own trace code, several threads, long lines: every line arrives
// whole, once.
TEST(HostTraceTest, LinesFromThreadsAndLibrariesNeverInterleave) {
    const HostTest::TraceFile trace;
    kdlPathReset();
    constexpr std::uint32_t threadCount = 4;
    constexpr std::uint32_t perThread = 100;
    const std::string longName(2000, 'd');
    std::vector<std::thread> threads;
    for (std::uint32_t t = 0; t < threadCount; ++t) {
        threads.emplace_back([t, &longName] {
            for (std::uint32_t i = 0; i < perThread; ++i) {
                const std::uint32_t id = 1000 + t * perThread + i;
                KxDbRegister(id, id);
                kdlPathAdd(("/" + longName + "/" + std::to_string(id) + "/").c_str());
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    const std::regex whole("^(KxDbRegister\\t(\\d+)\\t\\2\\t0|kdlPathAdd\\t/" + longName +
                           "/\\d+/\\t0)$");
    const auto lines = trace.Lines();
    EXPECT_EQ(lines.size(), 2 * threadCount * perThread);
    for (const auto& line : lines) {
        EXPECT_TRUE(std::regex_match(line, whole)) << line.substr(0, 80);
    }
    EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()).size(), lines.size());
    for (std::uint32_t id = 1000; id < 1000 + threadCount * perThread; ++id) {
        KxDbUnRegister(id);
    }
    kdlPathReset();
}

TEST(HostTraceTest, TraceFileIsLookedUpAtEachCall) {
    const HostTest::TraceFile trace;
    {
        const HostTest::ScopedEnv off("KALDOR_TRACE", std::nullopt);
        KxDbUnRegister(1);
    }
    KxDbUnRegister(2);
    EXPECT_EQ(trace.Lines(), Strings{"KxDbUnRegister\t2"});
}

} // namespace
