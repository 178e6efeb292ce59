// Default setting files: their copies in the default tree, the user-side copies recorded for
// them, and the clean-up at load, at release and at unload.
#include "ResourceScenario.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>

namespace orvane::test {
namespace {

using orvane::test::operator<<;

namespace fs = std::filesystem;
using Names_ = std::vector<std::string>;
using Files = std::vector<std::pair<std::string, std::string>>;

// The setting store hands out identifiers from 99999 down; the platform's own root takes the
// first ones.
Names_ CopyNames(std::initializer_list<int> ids) {
    Names_ names;
    for (const int id : ids) {
        names.push_back("NEVRA00" + std::to_string(id) + ".hcui");
    }
    std::sort(names.begin(), names.end());
    return names;
}

Names_ Contents(const std::string& dir) {
    Names_ contents;
    for (const auto& name : Names(dir)) {
        contents.push_back(ReadFile(dir + name));
    }
    std::sort(contents.begin(), contents.end());
    return contents;
}

const Files& TwoActionsThreeControls() {
    static const Files files = {
        {"Configures/Default/Action/open.hcui", DataFile("settings/open.hcui")},
        {"Configures/Default/Action/save.hcui", DataFile("settings/save.hcui")},
        {"Configures/Default/Controls/ribbon.hcui", DataFile("settings/ribbon.hcui")},
        {"Configures/Default/Controls/toolbar.hcui", DataFile("settings/toolbar.hcui")},
        {"Configures/Default/Controls/panel.hcui", DataFile("settings/panel.hcui")}};
    return files;
}

const Files& OneActionOneControl() {
    static const Files files = {
        {"Configures/Default/Action/open.hcui", DataFile("settings/open.hcui")},
        {"Configures/Default/Controls/panel.hcui", DataFile("settings/panel.hcui")}};
    return files;
}

void Touch(const std::string& path) {
    CopyFile(DataFile("settings/open.hcui"), path);
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

bool LogNames(const Installation& installation, const std::string& path) {
    const auto records = installation.Records();
    return std::any_of(records.begin(), records.end(), [&](const LogRecord& r) {
        return r.level == "ERROR" && Contains(r.message, path);
    });
}

struct CopyCase {
    const char* name;
    bool localeFolder;
    std::vector<Names_> groups; // default-side names per group, in group order
    Names_ localeCopies;
};

class DefaultCopies : public ResourceTest, public ::testing::WithParamInterface<CopyCase> {};

TEST_P(DefaultCopies, CopyEveryGroupUnderDescendingNames) {
    const auto& c = GetParam();
    const std::string localeDir = UserGroupDir(installation_, "Action") + "en_US/";
    if (c.localeFolder) {
        MakeDirs(localeDir);
    }
    Start();
    const std::string root = MakeRoot("R", {}, TwoActionsThreeControls());

    ASSERT_EQ(Register("Alpha", root), 0);
    for (std::size_t g = 0; g < 4; ++g) {
        EXPECT_EQ(Names(DefaultGroupDir(installation_, kGroups[g])), c.groups[g]) << kGroups[g];
    }
    const Names_ controls = {"<Controls name=\"panel\"/>\n", "<Controls name=\"ribbon\"/>\n",
                             "<Controls name=\"toolbar\"/>\n"};
    for (std::size_t g = 1; g < 4; ++g) {
        EXPECT_EQ(Contents(DefaultGroupDir(installation_, kGroups[g])), controls) << kGroups[g];
    }
    EXPECT_EQ(Contents(DefaultGroupDir(installation_, "Action")),
              (Names_{"<Actions name=\"open\"/>\n", "<Actions name=\"save\"/>\n", "<Actions/>\n"}));
    // Only the locale action folder is written on the user's side.
    EXPECT_EQ(Names(UserGroupDir(installation_, "Action")),
              c.localeFolder ? Names_{"en_US"} : Names_{});
    EXPECT_EQ(Names(localeDir), c.localeCopies);
}

INSTANTIATE_TEST_SUITE_P(
    Roots, DefaultCopies,
    ::testing::Values(CopyCase{"ElevenCopies",
                               false,
                               {CopyNames({99999, 99998, 99997}), CopyNames({99996, 99995, 99994}),
                                CopyNames({99993, 99992, 99991}), CopyNames({99990, 99989, 99988})},
                               {}},
                      CopyCase{"ThirteenWithTheLocaleActionFolder",
                               true,
                               {CopyNames({99999, 99997, 99996}), CopyNames({99995, 99994, 99993}),
                                CopyNames({99992, 99991, 99990}), CopyNames({99989, 99988, 99987})},
                               CopyNames({99998, 99986, 99985})}),
    [](const auto& info) { return std::string(info.param.name); });

struct SourceCase {
    const char* name;
    Files files;
    std::vector<std::string> dirs;
    int result;
};

class SettingSources : public ResourceTest, public ::testing::WithParamInterface<SourceCase> {};

TEST_P(SettingSources, OnlyExactHcuiFilesCountAndNoneFailsTheRoot) {
    const auto& c = GetParam();
    Start();
    const std::string root = MakeRoot("R", c.dirs, c.files);
    // Emptied, so that the folders seen afterwards are the ones this registration made.
    installation_.RemovePath(installation_.Home() + "logs/Nevra/cae_pr_/Settings/Default");

    EXPECT_EQ(Register("Alpha", root), c.result);
    for (const char* group : kGroups) {
        EXPECT_TRUE(fs::is_directory(DefaultGroupDir(installation_, group))) << group;
    }
    EXPECT_EQ(Names(DefaultGroupDir(installation_, "Action")),
              c.result == 0 ? CopyNames({99998}) : Names_{});
}

INSTANTIATE_TEST_SUITE_P(
    Roots, SettingSources,
    ::testing::Values(
        SourceCase{"NoConfigures", {}, {"Icons"}, -1},
        SourceCase{"UpperCaseExtension",
                   {{"Configures/Default/Action/Move.HCUI", DataFile("settings/open.hcui")}},
                   {},
                   -1},
        SourceCase{"DirectoryNamedLikeASettingFile", {}, {"Configures/Default/Action/x.hcui"}, -1},
        SourceCase{"MixedCaseStem",
                   {{"Configures/Default/Action/Move.hcui", DataFile("settings/open.hcui")}},
                   {},
                   0}),
    [](const auto& info) { return std::string(info.param.name); });

class SettingCleanUp : public ResourceTest {
protected:
    std::string UserAction() const { return UserGroupDir(installation_, "Action"); }
};

TEST_F(SettingCleanUp, LoadRemovesLeftOverCopiesAndRebuildsTheDefaultTree) {
    const Names_ deleted = {"NEVRA0012345.hcui", "nevra7.hcui", "NEVRA.hcui"};
    const Names_ kept = {"NEVRA12a.hcui", "XNEVRA1.hcui", "NEVRA1.HCUI", "NEVRA1.hcui.bak",
                         "mine.hcui"};
    for (const auto& name : deleted) {
        Touch(UserAction() + name);
    }
    for (const auto& name : kept) {
        Touch(UserAction() + name);
    }
    MakeDirs(UserAction() + "NEVRA3.hcui");
    Touch(UserAction() + "sub/NEVRA9.hcui");
    Touch(UserAction() + "en_US/NEVRA5.hcui");
    Touch(UserGroupDir(installation_, "Environment-13/Controls") + "NEVRA0000042.hcui");
    Touch(DefaultGroupDir(installation_, "Action") + "NEVRA0099999.hcui");

    Platform platform(installation_);

    Names_ expected = kept;
    expected.insert(expected.end(), {"NEVRA3.hcui", "en_US", "sub"});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Names(UserAction()), expected);
    EXPECT_EQ(Names(UserAction() + "sub"), Names_{"NEVRA9.hcui"});
    EXPECT_EQ(Names(UserAction() + "en_US"), Names_{});
    EXPECT_EQ(Names(UserGroupDir(installation_, "Environment-13/Controls")), Names_{});
    const std::string settings = installation_.Home() + "logs/Nevra/cae_pr_/Settings/";
    EXPECT_TRUE(fs::is_directory(settings));
    EXPECT_EQ(Names(settings), Names_{});

    const auto trace = installation_.Trace();
    EXPECT_TRUE(std::any_of(trace.begin(), trace.end(), [&](const std::string& line) {
        return line.rfind("AddPath\t", 0) == 0 &&
               fs::path(line.substr(8)).lexically_normal() ==
                   fs::path(installation_.Home() + "logs/Nevra/cae_pr_/").lexically_normal();
    }));
}

TEST_F(SettingCleanUp, RecordedCopiesGoWithTheLastPackageOfTheRootAndAtUnload) {
    Start();
    const std::string root = MakeRoot("R", {}, OneActionOneControl());
    ASSERT_EQ(Register("Alpha", root), 0);
    ASSERT_EQ(Register("Beta", root), 0);
    // What the user-interface library would have written for the copies, and files of others.
    const std::vector<std::pair<std::string, int>> recorded = {{"Action", 99998},
                                                               {"Environment-2/Controls", 99997},
                                                               {"Environment-10/Controls", 99996},
                                                               {"Environment-13/Controls", 99995}};
    for (const auto& [group, id] : recorded) {
        Touch(UserGroupDir(installation_, group) + CopyNames({id})[0]);
    }
    Touch(UserAction() + "NEVRA0099999.hcui"); // the platform's own root
    Touch(UserAction() + "NEVRA0050000.hcui"); // not handed out in this run
    Touch(UserAction() + "mine.hcui");

    platform_->UnReg(PackagePath("Alpha").c_str());
    for (const auto& [group, id] : recorded) {
        EXPECT_TRUE(Exists(UserGroupDir(installation_, group) + CopyNames({id})[0])) << group;
    }

    platform_->UnReg(PackagePath("Beta").c_str());
    for (const auto& [group, id] : recorded) {
        EXPECT_FALSE(Exists(UserGroupDir(installation_, group) + CopyNames({id})[0])) << group;
    }
    EXPECT_EQ(Names(UserAction()), (Names_{"NEVRA0050000.hcui", "NEVRA0099999.hcui", "mine.hcui"}));

    EXPECT_EQ(platform_->Exit(), 0);
    platform_->Unload();
    EXPECT_EQ(Names(UserAction()), (Names_{"NEVRA0050000.hcui", "mine.hcui"}));
}

TEST_F(SettingCleanUp, AnUndeletableRecordedCopyIsLoggedAndSkipped) {
    Start();
    const std::string root = MakeRoot("R", {}, {OneActionOneControl()[0]});
    ASSERT_EQ(Register("Alpha", root), 0);
    // A non-empty directory where the copy should be: deleting it must fail.
    const std::string blocked = UserAction() + "NEVRA0099998.hcui";
    Touch(blocked + "/keep.txt");
    Touch(UserGroupDir(installation_, "Action") + "NEVRA0099999.hcui");

    platform_->UnReg(PackagePath("Alpha").c_str());
    EXPECT_TRUE(LogNames(installation_, blocked));

    EXPECT_EQ(platform_->Exit(), 0);
    ::testing::internal::CaptureStderr();
    platform_->Unload();
    const std::string unloadOutput = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(Contains(unloadOutput, blocked)) << unloadOutput;
    EXPECT_TRUE(Exists(blocked + "/keep.txt"));
    EXPECT_FALSE(Exists(UserAction() + "NEVRA0099999.hcui"));
}

// Makes a folder immutable for its lifetime; even root cannot delete what lies in it then.
class ImmutableFolder final {
public:
    explicit ImmutableFolder(std::string dir) : dir_(std::move(dir)) {
        active_ = std::system(("chattr +i '" + dir_ + "' 2>/dev/null").c_str()) == 0;
    }
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
    bool active_ = false;
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
    EXPECT_TRUE(Contains(loadOutput, UserAction() + "NEVRA0000001.hcui")) << loadOutput;
    EXPECT_TRUE(Contains(loadOutput, UserAction() + "NEVRA0000002.hcui")) << loadOutput;

    EXPECT_EQ(platform_->Init(), 0);
    EXPECT_EQ(platform_->Exit(), 0);
    platform_->Unload();
}

TEST_F(SettingCleanUp, WithoutAProfileTheUserSideIsLeftAlone) {
    setenv("KALDOR_PROFILE", "none", 1);
    Touch(UserAction() + "NEVRA0000001.hcui");
    Start();
    EXPECT_TRUE(Exists(UserAction() + "NEVRA0000001.hcui"));

    const std::string root = MakeRoot("R", {}, {OneActionOneControl()[0]});
    ASSERT_EQ(Register("Alpha", root), 0);
    EXPECT_EQ(Names(DefaultGroupDir(installation_, "Action")), CopyNames({99999, 99998}));
    Touch(UserAction() + "NEVRA0099998.hcui");

    platform_->UnReg(PackagePath("Alpha").c_str());
    EXPECT_EQ(platform_->Exit(), 0);
    platform_->Unload();
    EXPECT_EQ(Names(UserAction()), (Names_{"NEVRA0000001.hcui", "NEVRA0099998.hcui"}));
}

} // namespace
} // namespace orvane::test
