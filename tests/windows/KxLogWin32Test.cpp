// The log library on Windows: a folder named with a drive letter and backslashes is created, and
// records from several threads arrive whole, once each.
#include <KxLog/KxLog.h>

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<std::string> RecordsWithoutStamps(const std::string& file) {
    std::vector<std::string> records;
    std::ifstream in(file, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        const std::size_t tab = line.find('\t');
        EXPECT_EQ(tab, 23u) << "not a stamped record: " << line;
        records.push_back(tab == std::string::npos ? line : line.substr(tab + 1));
    }
    return records;
}

std::string FreshFolder() {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "orvane-log-" + std::to_string(::GetCurrentProcessId()) + "-" +
           std::to_string(::GetTickCount64()) + "\\";
}

TEST(KxLogWin32, RecordsLandInANewBackslashFolderWholeAndOnceFromEveryThread) {
    const std::string folder = FreshFolder() + "logs\\Nevra\\";
    KxLogSetOutputPath(folder.c_str());
    KxLogInit();
    KxFatal("Orvane", "Orvane", 7, "first\r\nline");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = t; i < 400; i += 4) {
                KxInfo("m", "s", i, std::to_string(i).c_str());
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    KxLogExit();

    const std::vector<std::string> records = RecordsWithoutStamps(folder + "KxLog.log");
    ASSERT_EQ(records.size(), 401u);
    EXPECT_EQ(records[0], "FATAL\tOrvane\tOrvane\t7\tfirst  line");
    std::set<std::string> seen(records.begin() + 1, records.end());
    for (int i = 0; i < 400; ++i) {
        EXPECT_EQ(seen.count("INFO\tm\ts\t" + std::to_string(i) + "\t" + std::to_string(i)), 1u);
    }
}

} // namespace
