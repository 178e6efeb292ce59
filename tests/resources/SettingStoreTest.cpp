// Default setting files: their copies in the default tree, the user-side copies recorded for
// them, and the clean-up at load, at release and at unload.
#include "ResourceScenario.h"

namespace orvane::test {
namespace {

namespace fs = std::filesystem;

// The file names of the copies with these identifiers, sorted.
Strings CopyNames(const std::vector<int>& ids) {
    Strings names;
    for (const int id : ids) {
        names.push_back("NEVRA00" + std::to_string(id) + ".hcui");
    }
    std::sort(names.begin(), names.end());
    return names;
}

// 2 action and 3 control files make 11 copies, named by identifiers counting down from 99999
// after the platform's own root took the first. With the user's locale action folder present at
// load, the action files are copied there too, after all groups (13). Every load starts the
// default tree and the identifiers afresh.
TEST_F(ResourceTest, CopiesEveryGroupUnderDescendingNamesAfreshAtEveryLoad) {
    const std::string root = MakeRoot({}, kSettings, false);
    const std::string localeDir = userAction_ + "en_US/";
    const Strings actions = {"<Actions name=\"open\"/>\n", "<Actions name=\"save\"/>\n",
                             "<Actions/>\n"}; // the last one from the platform's own root
    const Strings controls = {"<Controls name=\"panel\"/>\n", "<Controls name=\"ribbon\"/>\n",
                              "<Controls name=\"toolbar\"/>\n"};
    // Default-side identifiers, three per group in group order.
    const std::vector<int> eleven = {99999, 99998, 99997, 99996, 99995, 99994,
                                     99993, 99992, 99991, 99990, 99989, 99988};
    const std::vector<int> thirteen = {99999, 99997, 99996, 99995, 99994, 99993,
                                       99992, 99991, 99990, 99989, 99988, 99987};
    for (const bool locale : {false, true}) {
        if (locale) {
            EXPECT_EQ(platform_->Exit(), 0);
            platform_->Unload();
            fs::create_directories(localeDir);
        }
        Start();
        ASSERT_EQ(Register("Alpha", root), 0);
        for (std::size_t g = 0; g < 4; ++g) {
            const auto ids = (locale ? thirteen : eleven).begin() + 3 * g;
            EXPECT_EQ(Names(defaultSide_ + kGroups[g]), CopyNames({ids, ids + 3})) << kGroups[g];
            EXPECT_EQ(Names(defaultSide_ + kGroups[g], true), g == 0 ? actions : controls)
                << kGroups[g];
        }
        // Only the locale action folder is written on the user's side.
        EXPECT_EQ(Names(userAction_), locale ? Strings{"en_US"} : Strings{});
        EXPECT_EQ(Names(localeDir), locale ? CopyNames({99998, 99986, 99985}) : Strings{});
    }
}

// Only regular files with the exact extension count: a root offering a folder of that name and
// an upper-case extension has no setting file, and fails; the group folders are made all the same.
TEST_F(ResourceTest, ARootWithoutSettingFilesFailsAfterMakingTheGroupFolders) {
    Start();
    const std::string root =
        MakeRoot({kAction + "x.hcui"}, {{kAction + "Move.HCUI", kSettings[0].second}}, false);
    // Emptied, so that the folders seen afterwards are the ones this registration made.
    installation_.RemovePath(defaultSide_);
    EXPECT_EQ(Register("Alpha", root), -1);
    for (const char* group : kGroups) {
        EXPECT_TRUE(fs::is_directory(defaultSide_ + group)) << group;
    }
    EXPECT_EQ(Names(defaultSide_ + kGroups[0]), Strings{});
}

// A left-over copy is a file named "NEVRA<digits>.hcui" right in a group folder of the user's
// side or in the locale action folder.
TEST_F(ResourceTest, LoadRemovesLeftOverCopiesAndRebuildsTheDefaultTree) {
    for (const char* name : {"NEVRA0012345.hcui", "nevra7.hcui", "NEVRA.hcui", "en_US/NEVRA5.hcui",
                             "NEVRA12a.hcui", "XNEVRA1.hcui", "NEVRA1.HCUI", "NEVRA1.hcui.bak",
                             "mine.hcui", "sub/NEVRA9.hcui", "NEVRA3.hcui/x"}) {
        Touch(userAction_ + name);
    }
    Touch(userSide_ + kGroups[3] + "NEVRA0000042.hcui");
    Touch(defaultSide_ + kGroups[0] + "NEVRA0099999.hcui");
    // Copies left under their temporary names where the platform writes on the user's side go
    // too; names that only look alike stay.
    Touch(userAction_ + "en_US/.NEVRA0099991.hcui.1344-9.part");
    const std::string library = installation_.Home() + "library/Nevra/";
    Touch(library + ".templates.77-0.part/plate.tpl");
    Touch(library + ".mine.part");

    Platform platform(installation_);
    EXPECT_EQ(Names(library), Strings{".mine.part"});

    EXPECT_EQ(Names(userAction_),
              (Strings{"NEVRA1.HCUI", "NEVRA1.hcui.bak", "NEVRA12a.hcui", "NEVRA3.hcui",
                       "XNEVRA1.hcui", "en_US", "mine.hcui", "sub"}));
    EXPECT_EQ(Names(userAction_ + "sub"), Strings{"NEVRA9.hcui"});
    EXPECT_EQ(Names(userAction_ + "en_US"), Strings{});
    EXPECT_EQ(Names(userSide_ + kGroups[3]), Strings{});
    const std::string tree = installation_.Home() + "logs/Nevra/cae_pr_/";
    EXPECT_TRUE(fs::is_directory(tree + "Settings") && fs::is_empty(tree + "Settings"));
    // The rebuilt tree is handed to the user-interface library.
    const auto trace = installation_.Trace();
    EXPECT_TRUE(std::any_of(trace.begin(), trace.end(), [&](const std::string& line) {
        return line.rfind("AddPath\t", 0) == 0 &&
               fs::path(line.substr(8)).lexically_normal() == fs::path(tree).lexically_normal();
    }));
}

} // namespace
} // namespace orvane::test
