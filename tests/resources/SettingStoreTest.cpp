// Default setting files: their copies in the default tree, the user-side copies recorded for
// them, and the clean-up at load, at release and at unload.
#include "ResourceScenario.h"

#include <cstdlib>
#include <initializer_list>

namespace orvane::test {
namespace {

using orvane::test::operator<<;

namespace fs = std::filesystem;

const std::string kAction = "Configures/Default/Action/";
const std::string kControls = "Configures/Default/Controls/";
const Files kSettings = {{kAction + "open.hcui", DataFile("settings/open.hcui")},
                         {kControls + "panel.hcui", DataFile("settings/panel.hcui")},
                         {kAction + "save.hcui", DataFile("settings/save.hcui")},
                         {kControls + "ribbon.hcui", DataFile("settings/ribbon.hcui")},
                         {kControls + "toolbar.hcui", DataFile("settings/toolbar.hcui")}};

// The setting store hands out identifiers from 99999 down; the platform's own root takes the
// first ones.
Strings CopyNames(std::initializer_list<int> ids) {
    Strings names;
    for (const int id : ids) {
        names.push_back("NEVRA00" + std::to_string(id) + ".hcui");
    }
    std::sort(names.begin(), names.end());
    return names;
}

Strings Contents(const std::string& dir) {
    Strings contents;
    for (const auto& name : Names(dir)) {
        contents.push_back(ReadFile(dir + name));
    }
    std::sort(contents.begin(), contents.end());
    return contents;
}

using Groups = std::vector<Strings>;

struct CopyCase {
    const char* name;
    bool localeFolder;
    Strings localeCopies;
    Groups groups; // default-side names per group, in group order
};

class DefaultCopies : public ResourceTest, public ::testing::WithParamInterface<CopyCase> {};

TEST_P(DefaultCopies, CopyEveryGroupUnderDescendingNames) {
    const auto& c = GetParam();
    const std::string localeDir = UserGroupDir("Action") + "en_US/";
    if (c.localeFolder) {
        fs::create_directories(localeDir);
    }
    Start();
    ASSERT_EQ(Register("Alpha", MakeRoot({}, kSettings, false)), 0);

    const Strings actions = {"<Actions name=\"open\"/>\n", "<Actions name=\"save\"/>\n",
                             "<Actions/>\n"}; // the last one from the platform's own root
    const Strings controls = {"<Controls name=\"panel\"/>\n", "<Controls name=\"ribbon\"/>\n",
                              "<Controls name=\"toolbar\"/>\n"};
    for (std::size_t g = 0; g < 4; ++g) {
        EXPECT_EQ(Names(DefaultGroupDir(kGroups[g])), c.groups[g]) << kGroups[g];
        EXPECT_EQ(Contents(DefaultGroupDir(kGroups[g])), g == 0 ? actions : controls) << kGroups[g];
    }
    // Only the locale action folder is written on the user's side.
    EXPECT_EQ(Names(UserGroupDir("Action")), c.localeFolder ? Strings{"en_US"} : Strings{});
    EXPECT_EQ(Names(localeDir), c.localeCopies);
}

INSTANTIATE_TEST_SUITE_P(
    Roots, DefaultCopies,
    ::testing::Values(
        CopyCase{"ElevenCopies", false, Strings(),
                 Groups{CopyNames({99999, 99998, 99997}), CopyNames({99996, 99995, 99994}),
                        CopyNames({99993, 99992, 99991}), CopyNames({99990, 99989, 99988})}},
        CopyCase{"ThirteenWithTheLocaleActionFolder", true, CopyNames({99998, 99986, 99985}),
                 Groups{CopyNames({99999, 99997, 99996}), CopyNames({99995, 99994, 99993}),
                        CopyNames({99992, 99991, 99990}), CopyNames({99989, 99988, 99987})}}),
    ::testing::PrintToStringParamName());

struct SourceCase {
    const char* name;
    Files files;
    int result;
};

class SettingSources : public ResourceTest, public ::testing::WithParamInterface<SourceCase> {};

TEST_P(SettingSources, OnlyExactHcuiFilesCountAndNoneFailsTheRoot) {
    const auto& c = GetParam();
    Start();
    const std::string root = MakeRoot({}, c.files, false);
    // Emptied, so that the folders seen afterwards are the ones this registration made.
    installation_.RemovePath(installation_.Home() + "logs/Nevra/cae_pr_/Settings/Default");

    EXPECT_EQ(Register("Alpha", root), c.result);
    for (const char* group : kGroups) {
        EXPECT_TRUE(fs::is_directory(DefaultGroupDir(group))) << group;
    }
    EXPECT_EQ(Names(DefaultGroupDir("Action")), c.result == 0 ? CopyNames({99998}) : Strings{});
}

const std::string kOpen = DataFile("settings/open.hcui");

INSTANTIATE_TEST_SUITE_P(
    Roots, SettingSources,
    ::testing::Values(SourceCase{"NoConfigures", Files(), -1},
                      SourceCase{"UpperCaseExtension", Files{{kAction + "Move.HCUI", kOpen}}, -1},
                      SourceCase{"FolderNamedLikeASettingFile",
                                 Files{{kAction + "x.hcui/y", kOpen}}, -1},
                      SourceCase{"MixedCaseStem", Files{{kAction + "Move.hcui", kOpen}}, 0}),
    ::testing::PrintToStringParamName());

class SettingCleanUp : public ResourceTest {
protected:
    void Touch(const std::string& path) const { installation_.WriteFile(path, "x"); }
    std::string UserAction() const { return UserGroupDir("Action"); }
};

// A left-over copy is a file named "NEVRA<digits>.hcui" right in a group folder of the user's
// side or in the locale action folder.
TEST_F(SettingCleanUp, LoadRemovesLeftOverCopiesAndRebuildsTheDefaultTree) {
    for (const char* name :
         {"NEVRA0012345.hcui", "nevra7.hcui", "NEVRA.hcui", "en_US/NEVRA5.hcui", "NEVRA12a.hcui",
          "XNEVRA1.hcui", "NEVRA1.HCUI", "NEVRA1.hcui.bak", "mine.hcui", "sub/NEVRA9.hcui"}) {
        Touch(UserAction() + name);
    }
    fs::create_directories(UserAction() + "NEVRA3.hcui");
    Touch(UserGroupDir(kGroups[3]) + "NEVRA0000042.hcui");
    Touch(DefaultGroupDir("Action") + "NEVRA0099999.hcui");

    Platform platform(installation_);

    EXPECT_EQ(Names(UserAction()),
              (Strings{"NEVRA1.HCUI", "NEVRA1.hcui.bak", "NEVRA12a.hcui", "NEVRA3.hcui",
                       "XNEVRA1.hcui", "en_US", "mine.hcui", "sub"}));
    EXPECT_EQ(Names(UserAction() + "sub"), Strings{"NEVRA9.hcui"});
    EXPECT_EQ(Names(UserAction() + "en_US"), Strings{});
    EXPECT_EQ(Names(UserGroupDir(kGroups[3])), Strings{});
    const std::string tree = installation_.Home() + "logs/Nevra/cae_pr_/";
    EXPECT_TRUE(fs::is_directory(tree + "Settings"));
    EXPECT_EQ(Names(tree + "Settings"), Strings{});
    // The rebuilt tree is handed to the configuration library.
    const auto trace = installation_.Trace();
    EXPECT_TRUE(std::any_of(trace.begin(), trace.end(), [&](const std::string& line) {
        return line.rfind("AddPath\t", 0) == 0 &&
               fs::path(line.substr(8)).lexically_normal() == fs::path(tree).lexically_normal();
    }));
}

// A copy that cannot be deleted (a non-empty folder in its place) is logged and skipped, at
// release and again at unload, where only standard error is left to name it.
TEST_F(SettingCleanUp, RecordedCopiesGoWithTheLastPackageOfTheRootAndAtUnload) {
    Start();
    const std::string root = MakeRoot({}, {kSettings[0], kSettings[1]}, false);
    ASSERT_EQ(Register("Alpha", root), 0);
    ASSERT_EQ(Register("Beta", root), 0);
    // What the user-interface library would have written for the copies, and files of others.
    const std::string blocked = UserAction() + "NEVRA0099998.hcui";
    const Strings recorded = {UserGroupDir(kGroups[1]) + "NEVRA0099997.hcui",
                              UserGroupDir(kGroups[2]) + "NEVRA0099996.hcui",
                              UserGroupDir(kGroups[3]) + "NEVRA0099995.hcui"};
    for (const auto& path : Concat(recorded, {blocked + "/keep.txt"})) {
        Touch(path);
    }
    Touch(UserAction() + "NEVRA0099999.hcui"); // the platform's own root
    Touch(UserAction() + "NEVRA0050000.hcui"); // not handed out in this run
    Touch(UserAction() + "mine.hcui");

    UnReg("Alpha");
    EXPECT_EQ(std::count_if(recorded.begin(), recorded.end(), Exists), 3);
    UnReg("Beta");
    EXPECT_EQ(std::count_if(recorded.begin(), recorded.end(), Exists), 0);
    const auto records = installation_.Records();
    EXPECT_TRUE(std::any_of(records.begin(), records.end(), [&](const LogRecord& r) {
        return r.level == "ERROR" && r.message.find(blocked) != std::string::npos;
    }));
    EXPECT_EQ(Names(UserAction()), (Strings{"NEVRA0050000.hcui", "NEVRA0099998.hcui",
                                            "NEVRA0099999.hcui", "mine.hcui"}));

    EXPECT_EQ(platform_->Exit(), 0);
    ::testing::internal::CaptureStderr();
    platform_->Unload();
    const std::string unloadOutput = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(unloadOutput.find(blocked), std::string::npos) << unloadOutput;
    EXPECT_TRUE(Exists(blocked + "/keep.txt"));
    EXPECT_EQ(Names(UserAction()),
              (Strings{"NEVRA0050000.hcui", "NEVRA0099998.hcui", "mine.hcui"}));
}

// Makes a folder immutable for its lifetime; even root cannot delete what lies in it then.
class ImmutableFolder final {
public:
    explicit ImmutableFolder(std::string dir)
        : dir_(std::move(dir)),
          active_(std::system(("chattr +i '" + dir_ + "' 2>/dev/null").c_str()) == 0) {}
    ~ImmutableFolder() {
        if (active_) {
            std::system(("chattr -i '" + dir_ + "'").c_str());
        }
    }
    ImmutableFolder(const ImmutableFolder&) = delete;
    ImmutableFolder& operator=(const ImmutableFolder&) = delete;
    bool Active() const { return active_; }

private:
    std::string dir_;
    bool active_;
};

TEST_F(SettingCleanUp, AnUndeletableLeftOverDoesNotStopTheLoad) {
    Touch(UserAction() + "NEVRA0000001.hcui");
    Touch(UserAction() + "NEVRA0000002.hcui");
    const ImmutableFolder immutable(UserAction());
    if (!immutable.Active()) {
        GTEST_SKIP() << "this file system cannot make a folder immutable";
    }

    ::testing::internal::CaptureStderr();
    platform_ = std::make_unique<Platform>(installation_);
    const std::string loadOutput = ::testing::internal::GetCapturedStderr();
    // Both are named: the first failure does not end the clean-up.
    EXPECT_NE(loadOutput.find(UserAction() + "NEVRA0000001.hcui"), std::string::npos);
    EXPECT_NE(loadOutput.find(UserAction() + "NEVRA0000002.hcui"), std::string::npos) << loadOutput;
    EXPECT_EQ(platform_->Init(), 0);
    EXPECT_EQ(platform_->Exit(), 0);
    platform_->Unload();
}

// Without a current profile there is no user side: nothing there is deleted, ever.
TEST_F(SettingCleanUp, WithoutAProfileTheUserSideIsLeftAlone) {
    setenv("KALDOR_PROFILE", "none", 1);
    Touch(UserAction() + "NEVRA0000001.hcui");
    Start();
    ASSERT_EQ(Register("Alpha", MakeRoot({}, {kSettings[0]}, false)), 0);
    EXPECT_EQ(Names(DefaultGroupDir("Action")), CopyNames({99999, 99998}));
    Touch(UserAction() + "NEVRA0099998.hcui");

    UnReg("Alpha");
    EXPECT_EQ(platform_->Exit(), 0);
    platform_->Unload();
    EXPECT_EQ(Names(UserAction()), (Strings{"NEVRA0000001.hcui", "NEVRA0099998.hcui"}));
}

} // namespace
} // namespace orvane::test
