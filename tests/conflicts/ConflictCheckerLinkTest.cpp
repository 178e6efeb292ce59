// The checkers on trees with links, which Wine does not make: a link to a file takes part as the
// file, a link to a folder is not entered, and a link whose kind cannot be read fails the check.
#include "ConflictCheckerFixture.h"

namespace conflicts_test {
namespace {

// Every occurrence in list order, items sorted by name. Only regular files, or links to them,
// at the top level of directories that exist take part; a directory given without its trailing
// separator is the same directory.
TEST_F(ConflictCheckerTest, FileNamesConflictAtTheTopLevelIgnoringAsciiCase) {
    Write("a/Logo.png");
    Write("a/logo.svg");
    Write("b/logo.PNG");
    for (const std::string dir : {"a/", "b/", "c/"}) {
        Write(dir + "save.png");
        Write(dir + "sub/deep.png");
    }
    Write("target.png");
    fs::create_symlink(P("target.png"), P("a/linked.png"));
    Write("b/linked.png");
    fs::create_directory_symlink(P("a/sub"), P("b/dirlink"));
    fs::create_directory_symlink(P("a/sub"), P("c/dirlink"));
    // Every file-name checker shares this walk; the exports test tells them apart.
    EXPECT_EQ(
        KxResourceConfilctIcon().Check({P("c/"), P("none"), P("a/"), P("target.png"), P("b")}),
        (Result{{"linked.png", {P("a/linked.png"), P("b/linked.png")}},
                {"logo.png", {P("a/Logo.png"), P("b/logo.PNG")}},
                {"save.png", {P("c/save.png"), P("a/save.png"), P("b/save.png")}}}));
}

// No partial answer: the walk stops with the error.
TEST_F(ConflictCheckerTest, AnEntryWhoseKindCannotBeReadFailsTheWholeCheck) {
    Write("a/x.png");
    // A link listed by its directory whose full path is too long to be asked about.
    std::string deep = P("deep");
    while (deep.size() < 3900) {
        deep += "/" + std::string(200, 'd');
    }
    fs::create_directories(deep);
    fs::current_path(deep);
    fs::create_symlink("x.png", std::string(250, 'l'));
    EXPECT_THROW(KxResourceConfilctIcon().Check({P("a"), deep}), FileSystemError);
}

} // namespace
} // namespace conflicts_test
