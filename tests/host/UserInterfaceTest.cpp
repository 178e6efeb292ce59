#include "HostTestSupport.h"

#include <UserInterface/XnUi.h>

#include <gtest/gtest.h>

#include <QFile>
#include <QResource>

namespace {

using Strings = std::vector<std::string>;

TEST(UserInterfaceTest, RegisterRccMakesACompiledResourceReadableAndRefusesOtherFiles) {
    const HostTest::TraceFile trace;
    const HostTest::TempDir dir;
    HostTest::WriteFile(dir.Path() / "plain.hrc", "not a resource package");
    const struct {
        std::string path;
        int result;
    } rows[] = {{dir.Str("missing.hrc"), 0}, {dir.Str("plain.hrc"), 0}, {HOST_TEST_RCC, 1}};
    Strings expectedTrace;
    for (const auto& row : rows) {
        EXPECT_EQ(XnUi::RegisterRcc(QString::fromStdString(row.path)), row.result) << row.path;
        expectedTrace.push_back("RegisterRcc\t" + row.path + "\t" + std::to_string(row.result));
    }
    {
        QFile greeting(":/hosttest/greeting.txt");
        ASSERT_TRUE(greeting.open(QIODevice::ReadOnly));
        EXPECT_EQ(greeting.readAll().toStdString(), "hello from a compiled resource\n");
    }
    EXPECT_EQ(XnUi::RegisteredRccs().last().toStdString(), HOST_TEST_RCC);
    EXPECT_FALSE(XnUi::RegisteredRccs().contains(QString::fromStdString(dir.Str("plain.hrc"))));
    EXPECT_EQ(trace.Lines(), expectedTrace);
    // Qt keeps a registered package for the life of the process; give it back so that leak
    // checkers stay quiet.
    EXPECT_TRUE(QResource::unregisterResource(HOST_TEST_RCC));
}

TEST(UserInterfaceTest, AddPathAppendsEachDirectoryOnceAndTracesEveryCall) {
    const HostTest::TraceFile trace;
    const int before = XnUi::SearchPath().size();
    for (const char* path : {"/u/prefs/a/", "/u/prefs/b/", "/u/prefs/a/"}) {
        XnUi::AddPath(path);
    }
    EXPECT_EQ(XnUi::SearchPath().mid(before), (QStringList{"/u/prefs/a/", "/u/prefs/b/"}));
    EXPECT_EQ(trace.Lines(),
              (Strings{"AddPath\t/u/prefs/a/", "AddPath\t/u/prefs/b/", "AddPath\t/u/prefs/a/"}));
}

TEST(UserInterfaceTest, ProfileFollowsTheEnvironmentAtEachCall) {
    const struct {
        std::optional<std::string> profile, role;
        const char* expected; // null: no current profile
    } rows[] = {{std::nullopt, std::nullopt, "Engineer"},
                {std::nullopt, "Analyst", "Analyst"},
                {"none", "Analyst", nullptr},
                {"default", "/Roles/Lead", "/Roles/Lead"}};
    XnUi::ProfileManager* manager = XnUi::GetProfileManager();
    ASSERT_EQ(XnUi::GetProfileManager(), manager);
    for (const auto& row : rows) {
        const HostTest::TraceFile trace;
        const HostTest::ScopedEnv profile("KALDOR_PROFILE", row.profile);
        const HostTest::ScopedEnv role("KALDOR_ROLE", row.role);
        XnUi::Profile* current = manager->profile();
        if (row.expected == nullptr) {
            EXPECT_EQ(current, nullptr);
        } else {
            ASSERT_NE(current, nullptr);
            EXPECT_EQ(current->userRoleDir().toStdString(), row.expected);
        }
        EXPECT_EQ(trace.Lines(),
                  Strings{std::string("profile\t") + (row.expected ? row.expected : "(none)")});
    }
}

} // namespace
