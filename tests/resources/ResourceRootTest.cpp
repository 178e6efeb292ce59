// What the host and the user-interface library receive from a resource root: search paths,
// compiled resource files, translations and help in the host's language with English behind it.
#include "ResourceScenario.h"

#include <QFile>

#include <cstdlib>

namespace orvane::test {
namespace {

using orvane::test::operator<<;

const Files kTranslations = {{"Languages/de_DE/Language_de_DE.qm", BuiltFile("Language_de_DE.qm")},
                             {"Languages/en_US/Language_en_US.qm", BuiltFile("Language_en_US.qm")}};
const Files kBilingual =
    Concat(kTranslations, {{"Languages/de_DE/doc/context.txt", DataFile("help/context.txt")},
                           {"Languages/en_US/doc/context.txt", DataFile("help/context.txt")}});
const Strings kEnglishOnly = {"kdlPathAdd Languages/en_US/", "kdlPathAdd Languages/en_US/Text/",
                              "kdlHelpDocLoad Languages/en_US/doc/context.txt"};
const Strings kEnglish = Concat(kPathPart, kEnglishOnly);
const Strings kGermanThenEnglish =
    Concat(kPathPart, {"kdlPathAdd Languages/de_DE/", "kdlPathAdd Languages/de_DE/Text/",
                       "kdlPathAdd Languages/en_US/", "kdlPathAdd Languages/en_US/Text/"});
const Strings kGerman =
    Concat(kGermanThenEnglish, {"kdlHelpDocLoad Languages/de_DE/doc/context.txt"});
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
    bool application = true;
};

class RootLoad : public ResourceTest, public ::testing::WithParamInterface<RootCase> {};

TEST_P(RootLoad, OffersPathsThenLanguagesInOrder) {
    const auto& c = GetParam();
    if (!c.application) {
        application_.reset(); // nothing to install a translator into
    }
    setenv("KALDOR_LANGUAGE", c.hostLanguage, 1);
    Start();
    const std::string root = MakeRoot(c.dirs, c.files);
    if (c.refused != nullptr) {
        setenv("KALDOR_REFUSE_PATHS", (root + c.refused).c_str(), 1);
    }

    EXPECT_EQ(Register("Alpha", root), c.refused != nullptr ? -1 : 0);
    EXPECT_EQ(RootCalls(installation_, root), c.calls);
    // Beside the platform's own copy, a failed root leaves none.
    EXPECT_EQ(Names(DefaultGroupDir("Action")).size(), c.refused != nullptr ? 1u : 2u);
    // The translator installed last is asked first: English answers what it translates, the
    // host language the rest.
    EXPECT_EQ(QCoreApplication::translate("OrvaneResourceTest", "greeting").toStdString(),
              c.greeting);
    EXPECT_EQ(QCoreApplication::translate("OrvaneResourceTest", "farewell").toStdString(),
              c.farewell);
}

// Optional directories are offered only when present, "doc" and "supp" never. Help comes from
// the host language's doc folder, else from the first language that has one, else the host
// language's path is handed over anyway.
INSTANTIATE_TEST_SUITE_P(
    Roots, RootLoad,
    ::testing::Values(
        RootCase{"Bare", kEnglish},
        RootCase{"OptionalDirectories",
                 Concat(Concat(kPathPart, Strings{"kdlPathAdd Context/", "kdlPathAdd Forms/",
                                                  "kdlPathAdd Commands/", "kdlPathAdd qrc/",
                                                  "RegisterRcc qrc/a.hrc", "kdlPathAdd data/"}),
                        kEnglishOnly),
                 nullptr, "English",
                 Strings{"data", "doc", "supp", "Commands", "Forms", "Context", "Icons", "text"},
                 Files{{"qrc/a.hrc", BuiltFile("a.hrc")}}},
        RootCase{"RefusedRoot", Strings{"kdlPathAdd <root> refused"}, ""},
        RootCase{"RefusedText",
                 Strings{"kdlPathAdd <root>", "kdlPathAdd Icons/", "kdlPathAdd text/ refused"},
                 "text/"},
        RootCase{"RefusedForms", Concat(kPathPart, Strings{"kdlPathAdd Forms/ refused"}), "Forms/",
                 "English", Strings{"Forms"}},
        RootCase{"RefusedLanguage",
                 Concat(kPathPart, Strings{"kdlPathAdd Languages/en_US/ refused"}),
                 "Languages/en_US/"},
        RootCase{"RefusedLanguageText",
                 Concat(kPathPart, Strings{"kdlPathAdd Languages/en_US/",
                                           "kdlPathAdd Languages/en_US/Text/ refused"}),
                 "Languages/en_US/Text/"},
        RootCase{"German", kGerman, nullptr, "German", Strings(), kBilingual, kHello,
                 "Auf Wiedersehen"},
        RootCase{"GermanInLowerCase", kGerman, nullptr, "german", Strings(), kBilingual, kHello,
                 "Auf Wiedersehen"},
        RootCase{"English", kEnglish, nullptr, "English", Strings(), kBilingual, kHello},
        RootCase{"UnknownLanguage", kEnglish, nullptr, "Latvian", Strings(), kBilingual, kHello},
        RootCase{
            "HelpInAnotherLanguage",
            Concat(kGermanThenEnglish, Strings{"kdlHelpDocLoad Languages/en_US/doc/context.txt"}),
            nullptr, "German", Strings{"Languages/de_DE", "Languages/en_US/doc"}},
        RootCase{"NoLanguages", kGerman, nullptr, "German"},
        RootCase{"TranslatorNotInstalled",
                 Concat(kPathPart,
                        Strings{"kdlPathAdd Languages/de_DE/",
                                "kdlMsgDisp Fail to load language resources.",
                                "kdlPathAdd Languages/de_DE/Text/", "kdlPathAdd Languages/en_US/",
                                "kdlMsgDisp Fail to load language resources.",
                                "kdlPathAdd Languages/en_US/Text/",
                                "kdlHelpDocLoad Languages/de_DE/doc/context.txt"}),
                 nullptr, "German", Strings{"Languages/de_DE/doc"}, kTranslations, "greeting",
                 "farewell", false}),
    ::testing::PrintToStringParamName());

TEST_F(ResourceTest, RegistersHrcFilesOfAnyCaseButNoOtherEntries) {
    Start();
    const std::string root =
        MakeRoot(Strings{"qrc/d.hrc", "qrc/sub"}, Files{{"qrc/a.hrc", BuiltFile("a.hrc")},
                                                        {"qrc/B.HRC", BuiltFile("B.HRC")},
                                                        {"qrc/c.rcc", BuiltFile("a.hrc")},
                                                        {"qrc/sub/f.hrc", BuiltFile("a.hrc")}});
    std::filesystem::create_symlink(root + "qrc/a.hrc", root + "qrc/e.hrc");

    ASSERT_EQ(Register("Alpha", root), 0);
    EXPECT_EQ(RootCalls(installation_, root),
              Concat(Concat(kPathPart,
                            {"kdlPathAdd qrc/", "RegisterRcc qrc/a.hrc", "RegisterRcc qrc/B.HRC"}),
                     kEnglishOnly));
    // Registered for real: the packages' content is readable through Qt's resource system.
    for (const char* name :
         {":/orvane-resource-test/alpha.txt", ":/orvane-resource-test/beta.txt"}) {
        EXPECT_TRUE(QFile(name).open(QIODevice::ReadOnly)) << name;
    }
}

TEST_F(ResourceTest, TwoPackagesOfOneRootLoadItOnce) {
    Start();
    const std::string root = MakeRoot({});
    ASSERT_EQ(Register("Alpha", root), 0);
    ASSERT_EQ(Register("Beta", root), 0);
    EXPECT_EQ(RootCalls(installation_, root), kEnglish);
    EXPECT_EQ(Names(DefaultGroupDir("Action")).size(), 2u); // the platform's copy and the root's
}

class HelpPathLength : public ResourceTest, public ::testing::WithParamInterface<std::size_t> {};

// The host takes the help context file through a 256-byte buffer: a longer path is not handed
// over, and the log names it.
TEST_P(HelpPathLength, LongerThan255CharactersIsNotHandedOver) {
    const std::size_t length = GetParam();
    Start();
    const std::string tail = "Languages/en_US/doc/context.txt";
    const std::string root = installation_.AddResourceRoot(
        "res/" + std::string(length - installation_.Root().size() - 6 - tail.size(), 'n'));
    ASSERT_EQ((root + tail).size(), length);

    ASSERT_EQ(Register("Alpha", root), 0);
    EXPECT_EQ(RootCalls(installation_, root).back() == "kdlHelpDocLoad " + tail, length <= 255);
    EXPECT_EQ(ReadFile(installation_.LogFile()).find(root + tail) != std::string::npos,
              length > 255);
}

INSTANTIATE_TEST_SUITE_P(Boundary, HelpPathLength, ::testing::Values(255u, 256u));

} // namespace
} // namespace orvane::test
