// Translations and help of a resource root in the host's language, with English behind it.
#include "ResourceScenario.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdlib>

namespace orvane::test {
namespace {

using orvane::test::operator<<;

using Calls = std::vector<std::string>;

const Calls kPathPart = {"kdlPathAdd <root>", "kdlPathAdd Icons/", "kdlPathAdd text/",
                         "kdlPathAdd Languages/"};

Calls WithPathPart(const Calls& languageCalls) {
    Calls calls = kPathPart;
    calls.insert(calls.end(), languageCalls.begin(), languageCalls.end());
    return calls;
}

QString Translate(const char* text) {
    return QCoreApplication::translate("OrvaneResourceTest", text);
}

struct LanguageCase {
    const char* name;
    const char* hostLanguage;
    Calls languageCalls;
    const char* greeting; // translated by both files
    const char* farewell; // translated by the German file only
};

const Calls kGermanCalls = {"kdlPathAdd Languages/de_DE/", "kdlPathAdd Languages/de_DE/Text/",
                            "kdlPathAdd Languages/en_US/", "kdlPathAdd Languages/en_US/Text/",
                            "kdlHelpDocLoad Languages/de_DE/doc/context.txt"};
const Calls kEnglishCalls = {"kdlPathAdd Languages/en_US/", "kdlPathAdd Languages/en_US/Text/",
                             "kdlHelpDocLoad Languages/en_US/doc/context.txt"};

class LanguageLoad : public ResourceTest, public ::testing::WithParamInterface<LanguageCase> {
protected:
    // Translations and help for German and English.
    std::string BilingualRoot() {
        const std::string root =
            MakeRoot("R", {},
                     {{"Languages/de_DE/Language_de_DE.qm", BuiltFile("Language_de_DE.qm")},
                      {"Languages/en_US/Language_en_US.qm", BuiltFile("Language_en_US.qm")},
                      {"Languages/de_DE/doc/context.txt", DataFile("help/context.txt")},
                      {"Languages/en_US/doc/context.txt", DataFile("help/context.txt")}});
        installation_.AddResourceRoot("res/R");
        return root;
    }
};

TEST_P(LanguageLoad, InstallsTheHostLanguageThenEnglish) {
    const auto& c = GetParam();
    setenv("KALDOR_LANGUAGE", c.hostLanguage, 1);
    Start();
    const std::string root = BilingualRoot();

    ASSERT_EQ(Register("Alpha", root), 0);
    EXPECT_EQ(RootCalls(installation_, root), WithPathPart(c.languageCalls));
    // The translator installed last is asked first: English answers what it translates, the
    // host language the rest.
    EXPECT_EQ(Translate("greeting").toStdString(), c.greeting);
    EXPECT_EQ(Translate("farewell").toStdString(), c.farewell);
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, LanguageLoad,
    ::testing::Values(LanguageCase{"German", "German", kGermanCalls, "Hello from the resource root",
                                   "Auf Wiedersehen"},
                      LanguageCase{"GermanInLowerCase", "german", kGermanCalls,
                                   "Hello from the resource root", "Auf Wiedersehen"},
                      LanguageCase{"English", "English", kEnglishCalls,
                                   "Hello from the resource root", "farewell"},
                      LanguageCase{"UnknownLanguage", "Latvian", kEnglishCalls,
                                   "Hello from the resource root", "farewell"}),
    [](const auto& info) { return std::string(info.param.name); });

struct HelpCase {
    const char* name;
    std::vector<std::string> dirs;
    const char* helpCall;
};

class HelpFallback : public ResourceTest, public ::testing::WithParamInterface<HelpCase> {};

TEST_P(HelpFallback, HandsOverTheFirstExistingHelpDirectory) {
    const auto& c = GetParam();
    setenv("KALDOR_LANGUAGE", "German", 1);
    Start();
    const std::string root = MakeRoot("R", c.dirs);
    installation_.AddResourceRoot("res/R");

    ASSERT_EQ(Register("Alpha", root), 0);
    const auto calls = RootCalls(installation_, root);
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const auto& call) { return call.rfind("kdlHelpDocLoad", 0) == 0; }),
              1);
    EXPECT_NE(std::find(calls.begin(), calls.end(), c.helpCall), calls.end());
}

INSTANTIATE_TEST_SUITE_P(
    Roots, HelpFallback,
    ::testing::Values(HelpCase{"OtherLanguage",
                               {"Languages/de_DE", "Languages/en_US/doc"},
                               "kdlHelpDocLoad Languages/en_US/doc/context.txt"},
                      HelpCase{
                          "NoLanguages", {}, "kdlHelpDocLoad Languages/de_DE/doc/context.txt"}),
    [](const auto& info) { return std::string(info.param.name); });

class WithoutApplication : public ResourceTest {
protected:
    WithoutApplication() : ResourceTest(false) {}
};

TEST_F(WithoutApplication, ATranslatorThatCannotBeInstalledIsReportedToTheUser) {
    setenv("KALDOR_LANGUAGE", "German", 1);
    Start();
    const std::string root =
        MakeRoot("R", {"Languages/de_DE/doc"},
                 {{"Languages/de_DE/Language_de_DE.qm", BuiltFile("Language_de_DE.qm")},
                  {"Languages/en_US/Language_en_US.qm", BuiltFile("Language_en_US.qm")}});
    installation_.AddResourceRoot("res/R");

    EXPECT_EQ(Register("Alpha", root), 0);
    EXPECT_EQ(
        RootCalls(installation_, root),
        WithPathPart({"kdlPathAdd Languages/de_DE/", "kdlMsgDisp Fail to load language resources.",
                      "kdlPathAdd Languages/de_DE/Text/", "kdlPathAdd Languages/en_US/",
                      "kdlMsgDisp Fail to load language resources.",
                      "kdlPathAdd Languages/en_US/Text/",
                      "kdlHelpDocLoad Languages/de_DE/doc/context.txt"}));
}

class HelpPathLength : public ResourceTest, public ::testing::WithParamInterface<std::size_t> {};

// The host takes the help context file through a 256-byte buffer: a longer path is not handed
// over, and the log names it.
TEST_P(HelpPathLength, LongerThan255CharactersIsNotHandedOver) {
    const std::size_t length = GetParam();
    Start();
    const std::string tail = "/Languages/en_US/doc/context.txt";
    const std::string prefix = installation_.Root() + "/res/";
    const std::string name(length - prefix.size() - tail.size(), 'n');
    const std::string root = installation_.AddResourceRoot("res/" + name);
    const std::string help = root + "Languages/en_US/doc/context.txt";
    ASSERT_EQ(help.size(), length);

    ASSERT_EQ(Register("Alpha", root), 0);
    const auto calls = RootCalls(installation_, root);
    const bool handedOver =
        std::find(calls.begin(), calls.end(), "kdlHelpDocLoad Languages/en_US/doc/context.txt") !=
        calls.end();
    EXPECT_EQ(handedOver, length <= 255);
    const auto messages = installation_.Messages();
    const bool logged = std::any_of(messages.begin(), messages.end(), [&](const auto& m) {
        return m.find(help) != std::string::npos;
    });
    EXPECT_EQ(logged, length > 255);
}

INSTANTIATE_TEST_SUITE_P(Boundary, HelpPathLength, ::testing::Values(255u, 256u));

} // namespace
} // namespace orvane::test
