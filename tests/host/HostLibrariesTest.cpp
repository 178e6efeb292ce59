#include "HostTestSupport.h"
#include "TestSystem.h"

#include <Kaldor/Kaldor.h>
#include <Kaldor_Config/IUserFolderMgr.h>
#include <KxDbBase/KxDbBase.h>
#include <KxGui/KxGui.h>
#include <UserInterface/XnUi.h>

#include <gtest/gtest.h>

#include <QFile>
#include <QResource>

#include <fstream>
#include <functional>
#include <optional>
#include <tuple>

namespace {

using Strings = std::vector<std::string>;
using Call = std::function<std::string()>;
using Settings = std::vector<std::pair<std::string, std::optional<std::string>>>;

// Sets each variable, or unsets it where no value is given.
void Apply(const Settings& settings) {
    for (const auto& [name, value] : settings) {
        value ? TestSupport::SetVariable(name, *value) : TestSupport::UnsetVariable(name);
    }
}

// Each makes one call into a host library and renders its answer; a profile load also the
// profile in use afterwards, a message also what reached standard error and what was kept.
const auto N = [](auto value) { return std::to_string(value); };
const auto PathAdd = [](const char* p) { return [p] { return N(kdlPathAdd(p)); }; };
const auto Folder = [](int k) { return [k] { return GetIUserFolderMgr()->FolderPath(k); }; };
const auto UiPath = [](const char* p) { return [p] { return (XnUi::AddPath(p), ""); }; };
const auto DbReg = [](unsigned i, auto c) { return [=] { return N(KxDbRegister(i, c)); }; };
const auto DbUnReg = [](unsigned id) { return [id] { return (KxDbUnRegister(id), ""); }; };
const auto Rcc = [](std::string p) { return [p] { return N(XnUi::RegisterRcc(p.c_str())); }; };
// The profile is read once the load has happened: a call's object comes before its arguments.
const auto Gui = [](const char* p) {
    return [p] { return N(KxLoadSimBrowserProfile(p)).append(" ").append(KxGuiCurrentProfile()); };
};
const auto Role = [] {
    const XnUi::Profile* profile = XnUi::GetProfileManager()->profile();
    return profile ? profile->userRoleDir().toStdString() : "(none)";
};
const auto LangGet = [] {
    std::string buffer(300, '#');
    kdlLangGet(buffer.data());
    return buffer.c_str() + std::string(buffer[256] == '#' ? "" : " and wrote past 256 bytes");
};
const auto MsgDisp = [] {
    testing::internal::CaptureStderr();
    kdlMsgDisp("two\tparts");
    return testing::internal::GetCapturedStderr() + kdlMsgAt(kdlMsgCount() - 1);
};

// Every call of every host library under its row's configuration, read afresh at each call:
// what it answered and the trace line it appended (none when the row's line is empty).
TEST(HostLibrariesTest, EachCallAnswersAsConfiguredAndAppendsItsTraceLine) {
    const HostTest::TempDir dir;
    const std::string home = TestSupport::Variable("HOME");
    const Settings restore = {
        {"HOME", !home.empty() ? std::optional<std::string>(home) : std::nullopt},
        {"KALDOR_TRACE", std::nullopt}};
    // Before each row: nothing configured but the home folder and the trace.
    Settings clean = {{"HOME", "/h"}, {"KALDOR_TRACE", dir.At("trace.txt")}};
    for (const char* name :
         {"KALDOR_HOME", "KALDOR_FOLDER_6", "KALDOR_FOLDER_7", "KALDOR_ROLE", "KALDOR_LANGUAGE",
          "KALDOR_PROFILE", "KXDB_REFUSE_IDS", "KALDOR_REFUSE_PATHS"}) {
        clean.emplace_back(name, std::nullopt);
    }
    const std::string plain = dir.At("p.hrc"), ua = dir.At("a/"), ub = dir.At("b/");
    std::ofstream(plain) << "not a resource package";
    kdlPathReset();
    const int uiPaths = XnUi::SearchPath().size();
    const std::string x255(255, 'x'), guiTrace = "KxLoadSimBrowserProfile\t", folder = dir.At("");
    // The empty item between "||" must not refuse everything.
    const Settings refuse = {{"KALDOR_REFUSE_PATHS", "/forbidden/||Secret"}};
    const std::tuple<Settings, Call, std::string, std::string> rows[] = {
        {refuse, PathAdd("/opt/p/"), "0", "kdlPathAdd\t/opt/p/\t0"},
        {refuse, PathAdd("/opt/p/"), "0", "kdlPathAdd\t/opt/p/\t0"},
        {refuse, PathAdd("/opt/forbidden/x/"), "1", "kdlPathAdd\t/opt/forbidden/x/\t1"},
        {refuse, PathAdd("/opt/Secret/"), "1", "kdlPathAdd\t/opt/Secret/\t1"},
        {refuse, PathAdd(nullptr), "1", "kdlPathAdd\t\t1"},
        {{}, PathAdd("/opt/Secret/"), "0", "kdlPathAdd\t/opt/Secret/\t0"},
        {{}, LangGet, "English", "kdlLangGet\tEnglish"},
        {{{"KALDOR_LANGUAGE", std::string(300, 'x')}}, LangGet, x255, "kdlLangGet\t" + x255},
        {{}, MsgDisp, "kaldor: two\tparts\ntwo\tparts", "kdlMsgDisp\ttwo parts"},
        {{}, Folder(5), "/h/.kaldor/library", "FolderPath\t5\t/h/.kaldor/library"},
        {{}, Folder(7), "/h/.kaldor/roles", "FolderPath\t7\t/h/.kaldor/roles"},
        {{}, Folder(3), "/h/.kaldor/folder3", "FolderPath\t3\t/h/.kaldor/folder3"},
        {{{"HOME", ""}}, Folder(5), ".kaldor/library", "FolderPath\t5\t.kaldor/library"},
        {{{"KALDOR_HOME", "/k"}}, Folder(6), "/k/logs", "FolderPath\t6\t/k/logs"},
        {{{"KALDOR_HOME", "/k"}, {"KALDOR_FOLDER_6", "/x"}}, Folder(6), "/x", "FolderPath\t6\t/x"},
        {{}, Role, "Engineer", "profile\tEngineer"},
        {{{"KALDOR_PROFILE", "default"}, {"KALDOR_ROLE", "/R/A"}}, Role, "/R/A", "profile\t/R/A"},
        {{{"KALDOR_PROFILE", "none"}, {"KALDOR_ROLE", "A"}}, Role, "(none)", "profile\t(none)"},
        {{}, Rcc(plain), "0", "RegisterRcc\t" + plain + "\t0"},
        {{}, Rcc(HOST_TEST_RCC), "1", "RegisterRcc\t" HOST_TEST_RCC "\t1"},
        {{}, UiPath(ua.c_str()), "", "AddPath\t" + ua},
        {{}, UiPath(ub.c_str()), "", "AddPath\t" + ub},
        {{}, UiPath(ua.c_str()), "", "AddPath\t" + ua},
        {{}, DbReg(7, 42), "0", "KxDbRegister\t7\t42\t0"},
        {{}, DbReg(7, 43), "1", "KxDbRegister\t7\t43\t1"},
        {{{"KXDB_REFUSE_IDS", " 3, 9 ,x"}}, DbReg(9, 1), "1", "KxDbRegister\t9\t1\t1"},
        {{{"KXDB_REFUSE_IDS", "3"}}, DbReg(30, 2), "0", "KxDbRegister\t30\t2\t0"},
        {{}, DbReg(9, 2), "0", "KxDbRegister\t9\t2\t0"},
        {{}, DbUnReg(7), "", "KxDbUnRegister\t7"},
        {{}, DbReg(7, UINT64_MAX), "0", "KxDbRegister\t7\t18446744073709551615\t0"},
        {{{"KALDOR_TRACE", std::nullopt}}, DbUnReg(1), "", ""},
        {{}, Gui(plain.c_str()), "0 " + plain, guiTrace + plain + "\t0"},
        {{}, Gui(folder.c_str()), "1 " + plain, guiTrace + folder + "\t1"},
        {{}, Gui(nullptr), "1 " + plain, guiTrace + "\t1"},
    };
    Strings expectedTrace;
    for (const auto& [settings, call, answer, line] : rows) {
        Apply(clean);
        Apply(settings);
        EXPECT_EQ(call(), answer) << line;
        expectedTrace.resize(expectedTrace.size() + (line.empty() ? 0 : 1), line);
        EXPECT_EQ(orvane::test::ReadLines(dir.At("trace.txt")), expectedTrace) << line;
    }
    Apply(restore);
    ASSERT_EQ(kdlPathCount(), 2);
    EXPECT_EQ((Strings{kdlPathAt(0), kdlPathAt(1)}), (Strings{"/opt/p/", "/opt/Secret/"}));
    EXPECT_TRUE(kdlPathAt(-1) == nullptr && kdlPathAt(2) == nullptr);
    EXPECT_TRUE(kdlMsgAt(-1) == nullptr && kdlMsgAt(kdlMsgCount()) == nullptr);
    EXPECT_EQ(XnUi::SearchPath().mid(uiPaths).join(' ').toStdString(), ua + " " + ub);
    {
        QFile greeting(":/hosttest/greeting.txt");
        ASSERT_TRUE(greeting.open(QIODevice::ReadOnly));
        EXPECT_EQ(greeting.readAll().toStdString(), "hello from a compiled resource\n");
    }
    // Qt keeps a registered package for the life of the process; give it back so that leak
    // checkers stay quiet.
    EXPECT_TRUE(QResource::unregisterResource(HOST_TEST_RCC));
}

} // namespace
