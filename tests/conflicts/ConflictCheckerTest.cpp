#include "FilePath.h"
#include "FileSystemError.h"
#include "KxResourceConfilct.h"
#include "ProcessState.h"
#include "SettingStore.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// The library's one store is a static object of the shared library only. The checkers never
// touch it, but the core's resource code refers to it, so this binary brings its own, built
// only if something asks for it.
SettingStore& SettingStore::Instance() {
    static SettingStore store;
    return store;
}

namespace fs = std::filesystem;
using VELMORA::NEVRA::Platform::FilePath;
using VELMORA::NEVRA::Platform::FileSystemError;

namespace {

using Result = KxResourceConflictList;

class ConflictCheckerTest : public ::testing::Test {
protected:
    // The checkers read the user's folders from the environment, and one case changes the
    // working directory.
    TestSupport::ScopedProcessState processState_;
    TestSupport::TempFolder folder_{"orvane-conflicts-"};
    const std::string root_ = folder_.Path() + "/";

    // The full path below the test's root, as the checkers report it.
    std::string P(const std::string& rel) const { return root_ + rel; }
    void Write(const std::string& rel, const std::string& content = "x") const {
        fs::create_directories(fs::path(P(rel)).parent_path());
        std::ofstream(P(rel), std::ios::binary) << content;
    }
};

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

// The key is what FilePath takes for the file name, with only ASCII letters lowered; the
// checker finds it without parsing every path in full.
TEST_F(ConflictCheckerTest, FileNameKeyIsTheParsedFileNameWithOnlyAsciiLettersLowered) {
    for (const std::string path : {"/d/\xC4RGER.PNG", "rel\\Dir\\A.B.C", "C:\\x\\Y.TXT",
                                   "\\\\srv\\share\\F.Txt", "/:Q", "N", "dir/"}) {
        std::string expected = FilePath(path).FileName();
        std::transform(expected.begin(), expected.end(), expected.begin(),
                       [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; });
        VELMORA::NEVRA::Platform::NameOccurrences cache;
        CollectFileName(cache, path);
        EXPECT_EQ(cache.KeyCount(), 1u) << path;
        EXPECT_EQ(cache.Files(expected), std::vector<std::string>{path}) << path;
    }
    VELMORA::NEVRA::Platform::NameOccurrences cache;
    EXPECT_THROW(CollectFileName(cache, "1:\\x"), FileSystemError) << "a malformed drive";
}

TEST_F(ConflictCheckerTest, MenuNamesAreDirectChildrenOfTheRootComparedExactly) {
    Write("a/menus.xml", R"(<Menus>
  <Menu name="Edit"/><Menu name="Edit"/><Menu name="edit"/><Menu/>
  <Group><Menu name="Deep"/></Group>
  <menu name="Lower"/><Action name="Edit"/>
</Menus>)");
    Write("a/broken.xml", R"(<Menus><Menu name="A&amp;B"/>)");
    Write("a/notes.txt", "Edit, Edit and Edit");
    Write("b/more.ui", R"(<?xml version="1.0"?><Anything><Menu name="Edit"/><Menu name="A&amp;B"/>
<Menu name="Deep"/><Menu name="Lower"/></Anything>)");
    Write("c/last", R"(<Other><Menu name="A&amp;B"/></Other>)");
    Write("b/sub/deeper.xml", R"(<Menus><Menu name="Lower"/></Menus>)");
    EXPECT_EQ(KxResourceConfilctContext().Check({P("a"), P("b"), P("c")}),
              (Result{{"A&B", {P("b/more.ui"), P("c/last")}},
                      {"Edit", {P("a/menus.xml"), P("a/menus.xml"), P("b/more.ui")}}}));
}

TEST_F(ConflictCheckerTest, ActionsComeOnlyFromTheUserActionFolderWhateverTheList) {
    setenv("KALDOR_HOME", P("home").c_str(), 1);
    for (const char* name : {"KALDOR_ROLE", "KALDOR_PROFILE", "KALDOR_FOLDER_7", "KALDOR_TRACE"}) {
        unsetenv(name);
    }
    const std::string actions = "home/roles/Engineer/Action/";
    Write(actions + "one.hcui", R"(<Actions><Action name="Save"/><Action name="save"/></Actions>)");
    Write(actions + "two", R"(<Actions><Action name="Save"/><Menu name="Save"/></Actions>)");
    Write(actions + "en_US/four.hcui", R"(<Actions><Action name="Save"/></Actions>)");
    Write("pkg/a.hcui", R"(<Actions><Action name="Other"/><Action name="Other"/></Actions>)");
    for (const auto& dirs : {std::vector<std::string>{}, {P("pkg"), P("home")}}) {
        Result result = KxResourceConfilctAction().Check(dirs);
        ASSERT_EQ(result.size(), 1u);
        std::sort(result[0].second.begin(), result[0].second.end()); // enumeration order
        EXPECT_EQ(result, (Result{{"Save", {P(actions + "one.hcui"), P(actions + "two")}}}));
    }
    // Without a current profile there is no action folder, and the working directory (which
    // here holds conflicting actions) is not taken for one.
    fs::current_path(P("pkg"));
    setenv("KALDOR_PROFILE", "none", 1);
    EXPECT_TRUE(KxResourceConfilctAction().Check({P("pkg")}).empty());
}

} // namespace
