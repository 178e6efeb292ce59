// What the host and the user-interface library receive from a resource root: search paths,
// compiled resource files, translations and help in the host's language with English behind it.
#include "ResourceScenario.h"

#include <QFile>

#include <cstdlib>

namespace orvane::test {
namespace {

const Files kTranslations = {{"Languages/de_DE/Language_de_DE.qm", BuiltFile("Language_de_DE.qm")},
                             {"Languages/en_US/Language_en_US.qm", BuiltFile("Language_en_US.qm")}};
const Files kBilingual =
    Concat(kTranslations, {{"Languages/de_DE/doc/context.txt", DataFile("help/context.txt")},
                           {"Languages/en_US/doc/context.txt", DataFile("help/context.txt")}});
const Strings kGermanThenEnglish =
    Concat(kPathPart, {"kdlPathAdd Languages/de_DE/", "kdlPathAdd Languages/de_DE/Text/",
                       "kdlPathAdd Languages/en_US/", "kdlPathAdd Languages/en_US/Text/"});
const Strings kGerman =
    Concat(kGermanThenEnglish, {"kdlHelpDocLoad Languages/de_DE/doc/context.txt"});
const char* const kHello = "Hello from the resource root";
const char* const kFail = "kdlMsgDisp Fail to load language resources.";

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
    EXPECT_EQ(Names(defaultSide_ + kGroups[0]).size(), c.refused != nullptr ? 1u : 2u);
    // The translator installed last is asked first: English answers what it translates, the
    // host language the rest.
    EXPECT_EQ(QCoreApplication::translate("OrvaneResourceTest", "greeting").toStdString(),
              c.greeting);
    EXPECT_EQ(QCoreApplication::translate("OrvaneResourceTest", "farewell").toStdString(),
              c.farewell);
}

// Help comes from the host language's doc folder, else from the first language that has one, else
// the host language's path is handed over anyway.
INSTANTIATE_TEST_SUITE_P(
    Roots, RootLoad,
    ::testing::Values(
        RootCase{"Bare", kEnglish},
        RootCase{"RefusedRoot", Strings{"kdlPathAdd <root> refused"}, ""},
        RootCase{"RefusedText",
                 Strings{"kdlPathAdd <root>", "kdlPathAdd Icons/", "kdlPathAdd text/ refused"},
                 "text/"},
        RootCase{"RefusedForms", Concat(kPathPart, Strings{"kdlPathAdd Forms/ refused"}), "Forms/",
                 "English", Strings{"Forms"}},
        RootCase{"RefusedLanguageText",
                 Concat(kPathPart, Strings{"kdlPathAdd Languages/en_US/",
                                           "kdlPathAdd Languages/en_US/Text/ refused"}),
                 "Languages/en_US/Text/"},
        RootCase{"German", kGerman, nullptr, "German", Strings(), kBilingual, kHello,
                 "Auf Wiedersehen"},
        RootCase{"English", kEnglish, nullptr, "English", Strings(), kBilingual, kHello},
        RootCase{"UnknownLanguage", kEnglish, nullptr, "Latvian", Strings(), kBilingual, kHello},
        RootCase{
            "HelpInAnotherLanguage",
            Concat(kGermanThenEnglish, Strings{"kdlHelpDocLoad Languages/en_US/doc/context.txt"}),
            nullptr, "German", Strings{"Languages/de_DE", "Languages/en_US/doc"}},
        RootCase{"NoLanguagesOnAHostNamingItsLanguageInLowerCase", kGerman, nullptr, "german"},
        RootCase{"TranslatorNotInstalled",
                 Concat(kPathPart,
                        {"kdlPathAdd Languages/de_DE/", kFail, "kdlPathAdd Languages/de_DE/Text/",
                         "kdlPathAdd Languages/en_US/", kFail, "kdlPathAdd Languages/en_US/Text/",
                         "kdlHelpDocLoad Languages/de_DE/doc/context.txt"}),
                 nullptr, "German", Strings{"Languages/de_DE/doc"}, kTranslations, "greeting",
                 "farewell", false}),
    [](const auto& info) { return std::string(info.param.name); });

// Optional directories are offered only when present, in the host's search order, "doc" and
// "supp" never. Resource packages are the "hrc" files of any case right in "qrc", links not.
TEST_F(ResourceTest, OffersOptionalDirectoriesAndRegistersHrcFiles) {
    Start();
    const std::string root =
        MakeRoot({"data", "doc", "supp", "Commands", "Forms", "Context", "qrc/d.hrc", "qrc/sub"},
                 {{"qrc/a.hrc", BuiltFile("a.hrc")},
                  {"qrc/B.HRC", BuiltFile("B.HRC")},
                  {"qrc/c.rcc", BuiltFile("a.hrc")},
                  {"qrc/sub/f.hrc", BuiltFile("a.hrc")}});
    std::filesystem::create_symlink(root + "qrc/a.hrc", root + "qrc/e.hrc");

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

// The host takes the help context file through a 256-byte buffer: a longer path is not handed
// over, and the log names it.
TEST_F(ResourceTest, HelpPathLongerThan255CharactersIsNotHandedOver) {
    Start();
    const std::string tail = "Languages/en_US/doc/context.txt";
    for (const auto& [length, package] : {std::pair{255u, "Alpha"}, {256u, "Beta"}}) {
        const std::string root = installation_.AddResourceRoot(
            "res/" + std::string(length - installation_.Root().size() - 6 - tail.size(), 'n'));
        ASSERT_EQ((root + tail).size(), length);
        ASSERT_EQ(Register(package, root), 0);
        EXPECT_EQ(RootCalls(installation_, root).back() == "kdlHelpDocLoad " + tail, length <= 255);
        EXPECT_EQ(ReadFile(installation_.LogFile()).find(root + tail) != std::string::npos,
                  length > 255);
    }
}

// Names are bytes: a folder or file whose name Qt cannot give back is still offered to the host
// like any other, and what only Qt could open is named in an ERROR record, not passed over.
TEST_F(ResourceTest, NamesThatAreNotUtf8AreOfferedOrNamedInTheLog) {
    Start();
    const std::string bad = "R\xff\xfe";
    const std::string root = installation_.AddResourceRoot("res/" + bad);
    installation_.WriteFile(root + "qrc/a.hrc", ReadFile(BuiltFile("a.hrc")));
    installation_.WriteFile(root + "Languages/en_US/Language_en_US.qm",
                            ReadFile(BuiltFile("Language_en_US.qm")));
    const std::string good = MakeRoot({}, {{"qrc/" + bad + ".hrc", BuiltFile("B.HRC")}});

    ASSERT_EQ(Register("Alpha", root), 0);
    ASSERT_EQ(Register("Beta", good), 0);
    EXPECT_EQ(RootCalls(installation_, root),
              Concat(Concat(kPathPart, {"kdlPathAdd qrc/"}), kEnglishOnly));
    Strings errors;
    for (const auto& record : installation_.Records()) {
        if (record.level == "ERROR") {
            errors.push_back(record.message);
        }
    }
    const std::string cannot = " not done, Qt cannot open the name: ";
    EXPECT_EQ(errors,
              (Strings{"registering compiled resources" + cannot + root + "qrc/",
                       "loading the translation" + cannot + root + "Languages/en_US/",
                       "registering a compiled resource" + cannot + good + "qrc/" + bad + ".hrc"}));
    EXPECT_FALSE(QFile::exists(":/orvane-resource-test/beta.txt"));
}

} // namespace
} // namespace orvane::test
