// Search paths and resource packages of a resource root, as the host and the user-interface
// library receive them.
#include "ResourceScenario.h"

#include <QFile>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace orvane::test {
namespace {

using orvane::test::operator<<;

using Calls = std::vector<std::string>;

const Calls kEnglishLanguageCalls = {"kdlPathAdd Languages/en_US/",
                                     "kdlPathAdd Languages/en_US/Text/",
                                     "kdlHelpDocLoad Languages/en_US/doc/context.txt"};

Calls Concat(Calls a, const Calls& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct OrderCase {
    const char* name;
    std::vector<std::string> dirs;
    Calls pathCalls;
};

class PathOrder : public ResourceTest, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(PathOrder, OffersRequiredThenPresentOptionalDirectories) {
    const auto& c = GetParam();
    Start();
    const std::string root = MakeRoot("R", c.dirs);
    if (std::find(c.dirs.begin(), c.dirs.end(), "qrc") != c.dirs.end()) {
        CopyFile(BuiltFile("a.hrc"), root + "qrc/a.hrc");
    }
    installation_.AddResourceRoot("res/R");

    EXPECT_EQ(Register("Alpha", root), 0);
    EXPECT_EQ(RootCalls(installation_, root), Concat(c.pathCalls, kEnglishLanguageCalls));
}

INSTANTIATE_TEST_SUITE_P(
    Roots, PathOrder,
    ::testing::Values(OrderCase{"Bare",
                                {},
                                {"kdlPathAdd <root>", "kdlPathAdd Icons/", "kdlPathAdd text/",
                                 "kdlPathAdd Languages/"}},
                      OrderCase{"FormsAndData",
                                {"Forms", "data", "doc", "supp"},
                                {"kdlPathAdd <root>", "kdlPathAdd Icons/", "kdlPathAdd text/",
                                 "kdlPathAdd Languages/", "kdlPathAdd Forms/", "kdlPathAdd data/"}},
                      OrderCase{"Everything",
                                {"data", "qrc", "Commands", "Forms", "Context", "Icons", "text"},
                                {"kdlPathAdd <root>", "kdlPathAdd Icons/", "kdlPathAdd text/",
                                 "kdlPathAdd Languages/", "kdlPathAdd Context/",
                                 "kdlPathAdd Forms/", "kdlPathAdd Commands/", "kdlPathAdd qrc/",
                                 "RegisterRcc qrc/a.hrc", "kdlPathAdd data/"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusalCase {
    const char* name;
    const char* refused; // below the root
    Calls calls;
};

class PathRefusal : public ResourceTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(PathRefusal, EndsTheRegistrationAtTheRefusedDirectory) {
    const auto& c = GetParam();
    Start();
    const std::string root =
        MakeRoot("R", {"Forms", "data"},
                 {{"Configures/Default/Action/x.hcui", DataFile("settings/open.hcui")}});
    const auto copiesBefore = Names(DefaultGroupDir(installation_, "Action"));
    setenv("KALDOR_REFUSE_PATHS", (root + c.refused).c_str(), 1);

    EXPECT_EQ(Register("Alpha", root), -1);
    EXPECT_EQ(RootCalls(installation_, root), c.calls);
    EXPECT_EQ(Names(DefaultGroupDir(installation_, "Action")), copiesBefore);
}

const Calls kPathPart = {"kdlPathAdd <root>",     "kdlPathAdd Icons/", "kdlPathAdd text/",
                         "kdlPathAdd Languages/", "kdlPathAdd Forms/", "kdlPathAdd data/"};

INSTANTIATE_TEST_SUITE_P(
    Directories, PathRefusal,
    ::testing::Values(RefusalCase{"Root", "", {"kdlPathAdd <root> refused"}},
                      RefusalCase{
                          "Text",
                          "text/",
                          {"kdlPathAdd <root>", "kdlPathAdd Icons/", "kdlPathAdd text/ refused"}},
                      RefusalCase{"Forms",
                                  "Forms/",
                                  {"kdlPathAdd <root>", "kdlPathAdd Icons/", "kdlPathAdd text/",
                                   "kdlPathAdd Languages/", "kdlPathAdd Forms/ refused"}},
                      RefusalCase{"LanguageDirectory", "Languages/en_US/",
                                  Concat(kPathPart, {"kdlPathAdd Languages/en_US/ refused"})},
                      RefusalCase{"LanguageTextDirectory", "Languages/en_US/Text/",
                                  Concat(kPathPart, {"kdlPathAdd Languages/en_US/",
                                                     "kdlPathAdd Languages/en_US/Text/ refused"})}),
    [](const auto& info) { return std::string(info.param.name); });

class ResourcePackages : public ResourceTest {};

TEST_F(ResourcePackages, RegistersHrcFilesOfAnyCaseButNoOtherEntries) {
    Start();
    const std::string root = MakeRoot("R", {"qrc/d.hrc", "qrc/sub"},
                                      {{"qrc/a.hrc", BuiltFile("a.hrc")},
                                       {"qrc/B.HRC", BuiltFile("B.HRC")},
                                       {"qrc/c.rcc", BuiltFile("a.hrc")},
                                       {"qrc/sub/f.hrc", BuiltFile("a.hrc")}});
    std::filesystem::create_symlink(root + "qrc/a.hrc", root + "qrc/e.hrc");
    installation_.AddResourceRoot("res/R");

    ASSERT_EQ(Register("Alpha", root), 0);
    Calls registered;
    for (const auto& call : RootCalls(installation_, root)) {
        if (call.rfind("RegisterRcc", 0) == 0) {
            registered.push_back(call);
        }
    }
    EXPECT_EQ(registered, (Calls{"RegisterRcc qrc/a.hrc", "RegisterRcc qrc/B.HRC"}));
    // Registered for real: the packages' content is readable through Qt's resource system.
    for (const char* name :
         {":/orvane-resource-test/alpha.txt", ":/orvane-resource-test/beta.txt"}) {
        QFile file(name);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    }
}

TEST_F(ResourcePackages, TwoPackagesOfOneRootLoadItOnce) {
    Start();
    const std::string root = installation_.AddResourceRoot("res/Shared");
    ASSERT_EQ(Register("Alpha", root), 0);
    const auto firstCalls = RootCalls(installation_, root);
    const auto copies = Names(DefaultGroupDir(installation_, "Action"));
    ASSERT_EQ(copies.size(), 2u);

    ASSERT_EQ(Register("Beta", root), 0);
    EXPECT_EQ(RootCalls(installation_, root), firstCalls);
    EXPECT_EQ(Names(DefaultGroupDir(installation_, "Action")), copies);
}

} // namespace
} // namespace orvane::test
