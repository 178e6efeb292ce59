// What only Linux's file names allow: bytes that are not UTF-8 (Windows names are UTF-16 and reach
// the platform through the code page), links (Wine makes none), and paths longer than the help
// buffer whose folders still lie within Windows' 260 characters for every file below them.
#include "ResourceScenario.h"

#include <QFile>

namespace orvane::test {
namespace {

// Names are bytes: a folder or file whose name Qt cannot give back is still offered to the host
// like any other, and what only Qt could open is named in an ERROR record, not passed over.
TEST_F(ResourceTest, NamesThatAreNotUtf8AreOfferedOrNamedInTheLog) {
    Start();
    const std::string bad = "R\xff\xfe";
    const std::string root = installation_.AddResourceRoot("res/" + bad);
    installation_.WriteFile(root + "qrc/a.hrc", ReadFile(BuiltFile("a.hrc")));
    installation_.WriteFile(root + "Languages/en_US/Language_en_US.qm",
                            ReadFile(BuiltFile("Language_en_US.qm")));
    // Beside it a file of that name that is no resource package: nothing to register, nothing to
    // name.
    const std::string good = MakeRoot({}, {{"qrc/" + bad + ".hrc", BuiltFile("B.HRC")},
                                           {"qrc/" + bad + ".txt", BuiltFile("B.HRC")}});

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
