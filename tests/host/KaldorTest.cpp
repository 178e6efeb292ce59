#include "HostTestSupport.h"

#include <Kaldor/Kaldor.h>
#include <Kaldor_Config/IUserFolderMgr.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

using Strings = std::vector<std::string>;

TEST(KaldorTest, PathAddKeepsOrderSkipsDuplicatesAndRefusesListedTexts) {
    const HostTest::TraceFile trace;
    kdlPathReset();
    const struct {
        const char* path;
        int result;
    } rows[] = {{"/opt/p/", 0},      {"/opt/p/Icons/", 0}, {"/opt/p/", 0}, {"/opt/forbidden/x/", 1},
                {"/opt/Secret/", 1}, {"/opt/secret/", 0},  {"", 1},        {nullptr, 1}};
    Strings expectedTrace;
    {
        // The empty item between "||" must not refuse everything.
        const HostTest::ScopedEnv refuse("KALDOR_REFUSE_PATHS", "/forbidden/||Secret");
        for (const auto& row : rows) {
            EXPECT_EQ(kdlPathAdd(row.path), row.result) << (row.path ? row.path : "(null)");
            expectedTrace.push_back(std::string("kdlPathAdd\t") + (row.path ? row.path : "") +
                                    "\t" + std::to_string(row.result));
        }
    }
    // The refusal list is read at each call.
    EXPECT_EQ(kdlPathAdd("/opt/Secret/"), 0);
    expectedTrace.push_back("kdlPathAdd\t/opt/Secret/\t0");

    Strings path;
    for (int i = 0; i < kdlPathCount(); ++i) {
        path.emplace_back(kdlPathAt(i));
    }
    EXPECT_EQ(path, (Strings{"/opt/p/", "/opt/p/Icons/", "/opt/secret/", "/opt/Secret/"}));
    EXPECT_EQ(kdlPathAt(-1), nullptr);
    EXPECT_EQ(kdlPathAt(kdlPathCount()), nullptr);
    EXPECT_EQ(trace.Lines(), expectedTrace);
}

TEST(KaldorTest, LangGetWritesTheConfiguredLanguageIntoAtMost256Bytes) {
    const struct {
        std::optional<std::string> language;
        std::string expected;
    } rows[] = {{std::nullopt, "English"},
                {"German", "German"},
                {"", ""},
                {std::string(300, 'x'), std::string(255, 'x')}};
    for (const auto& row : rows) {
        const HostTest::TraceFile trace;
        const HostTest::ScopedEnv language("KALDOR_LANGUAGE", row.language);
        char buffer[300];
        std::memset(buffer, '#', sizeof buffer);
        kdlLangGet(buffer);
        EXPECT_EQ(std::string(buffer), row.expected);
        EXPECT_EQ(buffer[256], '#') << "wrote past the 256-byte buffer";
        EXPECT_EQ(trace.Lines(), Strings{"kdlLangGet\t" + row.expected});
    }
}

TEST(KaldorTest, HelpDocAndMessagesAreKeptShownAndTraced) {
    const HostTest::TraceFile trace;
    const int before = kdlMsgCount();
    kdlHelpDocLoad("/opt/p/Languages/de_DE/doc/context.txt");
    kdlHelpDocLoad("/opt/p/Languages/en_US/doc/context.txt");
    testing::internal::CaptureStderr();
    kdlMsgDisp("Fail to load language resources.");
    kdlMsgDisp("two\tparts");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "kaldor: Fail to load language resources.\nkaldor: two\tparts\n");
    EXPECT_STREQ(kdlHelpDocCurrent(), "/opt/p/Languages/en_US/doc/context.txt");
    ASSERT_EQ(kdlMsgCount(), before + 2);
    EXPECT_STREQ(kdlMsgAt(before), "Fail to load language resources.");
    EXPECT_EQ(kdlMsgAt(before + 2), nullptr);
    EXPECT_EQ(trace.Lines(),
              (Strings{"kdlHelpDocLoad\t/opt/p/Languages/de_DE/doc/context.txt",
                       "kdlHelpDocLoad\t/opt/p/Languages/en_US/doc/context.txt",
                       "kdlMsgDisp\tFail to load language resources.", "kdlMsgDisp\ttwo parts"}));
}

TEST(KaldorConfigTest, FolderPathFollowsOverridesThenHomeThenDefaults) {
    const HostTest::ScopedEnv home("HOME", "/home/u");
    const struct {
        int kind;
        std::optional<std::string> kaldorHome, folder;
        std::string expected;
    } rows[] = {
        {5, std::nullopt, std::nullopt, "/home/u/.kaldor/library"},
        {6, std::nullopt, std::nullopt, "/home/u/.kaldor/logs"},
        {7, std::nullopt, std::nullopt, "/home/u/.kaldor/roles"},
        {3, std::nullopt, std::nullopt, "/home/u/.kaldor/folder3"},
        {6, "/srv/k", std::nullopt, "/srv/k/logs"},
        {6, "/srv/k", "/var/log/x/", "/var/log/x/"},
        {7, std::nullopt, "", ""},
    };
    IUserFolderMgr* mgr = GetIUserFolderMgr();
    ASSERT_NE(mgr, nullptr);
    EXPECT_EQ(GetIUserFolderMgr(), mgr);
    for (const auto& row : rows) {
        const HostTest::TraceFile trace;
        const HostTest::ScopedEnv kaldorHome("KALDOR_HOME", row.kaldorHome);
        const HostTest::ScopedEnv folder("KALDOR_FOLDER_" + std::to_string(row.kind), row.folder);
        EXPECT_STREQ(mgr->FolderPath(row.kind), row.expected.c_str());
        EXPECT_STREQ(mgr->HomePath(), row.kaldorHome.value_or("/home/u/.kaldor").c_str());
        EXPECT_EQ(trace.Lines(),
                  Strings{"FolderPath\t" + std::to_string(row.kind) + "\t" + row.expected});
    }
}

} // namespace
