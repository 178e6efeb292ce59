// What the host and the user-interface library receive from a resource root: search paths,
// compiled resource files, translations and help in the host's language with English behind it.
#include "ResourceScenario.h"
#include "TestSystem.h"

#include <QFile>

namespace orvane::test {
namespace {

const Files kTranslations = {{"Languages/de_DE/Language_de_DE.qm", BuiltFile("Language_de_DE.qm")},
                             {"Languages/en_US/Language_en_US.qm", BuiltFile("Language_en_US.qm")}};
const Files kBilingual =
    Concat(kTranslations, {{"Languages/de_DE/doc/context.txt", DataFile("help/context.txt")},
                           {"Languages/en_US/doc/context.txt", DataFile("help/context.txt")}});
const Strings kGerman =
    Concat(kPathPart, {"kdlPathAdd Languages/de_DE/", "kdlPathAdd Languages/de_DE/Text/",
                       "kdlPathAdd Languages/en_US/", "kdlPathAdd Languages/en_US/Text/",
                       "kdlHelpDocLoad Languages/de_DE/doc/context.txt"});
const char* const kHello = "Hello from the resource root";

struct RootCase {
    const char* name;
    Strings calls;
    const char* refused = nullptr; // below the root; the registration fails there
    const char* hostLanguage = "English";
    Strings dirs = {};
    Files files = {};
    const char* greeting = "greeting"; // translated by both files
    const char* farewell = "farewell"; // translated by the German file only
};

class RootLoad : public ResourceTest, public ::testing::WithParamInterface<RootCase> {};

TEST_P(RootLoad, OffersPathsThenLanguagesInOrder) {
    const auto& c = GetParam();
    TestSupport::SetVariable("KALDOR_LANGUAGE", c.hostLanguage);
    Start();
    const std::string root = MakeRoot(c.dirs, c.files);
    if (c.refused != nullptr) {
        TestSupport::SetVariable("KALDOR_REFUSE_PATHS", root + Native(c.refused));
    }

    EXPECT_EQ(Register("Alpha", root), c.refused != nullptr ? -1 : 0);
    EXPECT_EQ(RootCalls(installation_, root), c.calls);
    // Beside the platform's own copy, a failed root leaves none.
    EXPECT_EQ(Names(defaultSide_ + kGroups[0]).size(), c.refused != nullptr ? 1u : 2u);
    // The translator installed last is asked first: English answers what it translates, the
    // host language the rest.
    EXPECT_EQ(QCoreApplication::translate("OrvaneResourceTest", "greeting").toStdString(),
              c.greeting);
    EXPECT_EQ(QCoreApplication::translate("OrvaneResourceTest", "farewell").toStdString(),
              c.farewell);
}

INSTANTIATE_TEST_SUITE_P(
    Roots, RootLoad,
    ::testing::Values(RootCase{"RefusedLanguage",
                               Concat(kPathPart, Strings{"kdlPathAdd Languages/en_US/ refused"}),
                               "Languages/en_US/"},
                      RootCase{"German", kGerman, nullptr, "German", Strings(), kBilingual, kHello,
                               "Auf Wiedersehen"}),
    [](const auto& info) { return std::string(info.param.name); });

// Optional directories are offered only when present, in the host's search order, "doc" and
// "supp" never. Resource packages are the "hrc" files of any case right in "qrc".
TEST_F(ResourceTest, OffersOptionalDirectoriesAndRegistersHrcFiles) {
    Start();
    const std::string root =
        MakeRoot({"data", "doc", "supp", "Commands", "Forms", "Context", "qrc/d.hrc", "qrc/sub"},
                 {{"qrc/a.hrc", BuiltFile("a.hrc")},
                  {"qrc/B.HRC", BuiltFile("B.HRC")},
                  {"qrc/c.rcc", BuiltFile("a.hrc")},
                  {"qrc/sub/f.hrc", BuiltFile("a.hrc")}});

    ASSERT_EQ(Register("Alpha", root), 0);
    EXPECT_EQ(RootCalls(installation_, root),
              Concat(Concat(kPathPart,
                            {"kdlPathAdd Context/", "kdlPathAdd Forms/", "kdlPathAdd Commands/",
                             "kdlPathAdd qrc/", "RegisterRcc qrc/a.hrc", "RegisterRcc qrc/B.HRC",
                             "kdlPathAdd data/"}),
                     kEnglishOnly));
    // Registered for real: the packages' content is readable through Qt's resource system.
    EXPECT_TRUE(QFile::exists(":/orvane-resource-test/alpha.txt"));
    EXPECT_TRUE(QFile::exists(":/orvane-resource-test/beta.txt"));
}

} // namespace
} // namespace orvane::test
