#include "FilePath.h"
#include "FileSystemError.h"
#include "KxResourceConfilct.h"
#include "SettingStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <typeinfo>
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
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "orvane-conflicts-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern + "/";
    }
    void TearDown() override {
        std::error_code error;
        fs::remove_all(root_, error);
    }

    // The full path of a file or directory below the test's root, as the checkers report it.
    std::string P(const std::string& rel) const { return root_ + rel; }
    std::string Dir(const std::string& rel) const {
        fs::create_directories(P(rel));
        return P(rel) + "/";
    }
    void Write(const std::string& rel, const std::string& content = "x") const {
        fs::create_directories(fs::path(P(rel)).parent_path());
        std::ofstream(P(rel), std::ios::binary) << content;
    }

    std::string root_;
};

std::vector<std::unique_ptr<KxResourceConfilct>> FileNameCheckers() {
    std::vector<std::unique_ptr<KxResourceConfilct>> checkers;
    checkers.push_back(std::make_unique<KxResourceConfilctCommand>());
    checkers.push_back(std::make_unique<KxResourceConfilctForm>());
    checkers.push_back(std::make_unique<KxResourceConfilctIcon>());
    checkers.push_back(std::make_unique<KxResourceConfilctQrc>());
    checkers.push_back(std::make_unique<KxResourceConfilctText>());
    checkers.push_back(std::make_unique<KxResourceConfilctDoc>());
    return checkers;
}

// Paths within one directory come in enumeration order, which the system chooses.
Result SortedPaths(Result result) {
    for (auto& entry : result) {
        std::sort(entry.second.begin(), entry.second.end());
    }
    return result;
}

TEST_F(ConflictCheckerTest, FileNamesConflictWhenEqualIgnoringAsciiCase) {
    Write("a/Icons/Logo.png");
    Write("a/Icons/logo.svg");
    Write("a/Icons/Only.png");
    Write("b/Icons/logo.PNG");
    // A root given without its trailing separator is the same directory.
    const std::vector<std::string> dirs = {Dir("a/Icons"), P("b/Icons")};
    for (const auto& checker : FileNameCheckers()) {
        SCOPED_TRACE(typeid(*checker).name());
        EXPECT_EQ(checker->Check(dirs),
                  (Result{{"logo.png", {P("a/Icons/Logo.png"), P("b/Icons/logo.PNG")}}}));
    }
    // Neither the menu nor the action checker cares about file names.
    EXPECT_TRUE(KxResourceConfilctContext().Check(dirs).empty());
}

TEST_F(ConflictCheckerTest, OneItemPerNameWithEveryOccurrenceInListOrderAndItemsSortedByName) {
    for (const char* dir : {"a", "b", "c"}) {
        Write(std::string(dir) + "/save.png");
        Write(std::string(dir) + "/Beta.png");
    }
    Write("c/Alpha.png");
    Write("b/alpha.png");
    const Result result = KxResourceConfilctIcon().Check({Dir("c"), Dir("a"), Dir("b")});
    EXPECT_EQ(result, (Result{{"alpha.png", {P("c/Alpha.png"), P("b/alpha.png")}},
                              {"beta.png", {P("c/Beta.png"), P("a/Beta.png"), P("b/Beta.png")}},
                              {"save.png", {P("c/save.png"), P("a/save.png"), P("b/save.png")}}}));
}

TEST_F(ConflictCheckerTest, OnlyRegularFilesAtTheTopLevelTakePart) {
    Write("a/sub/logo.png");
    Write("b/sub/logo.png");
    fs::create_directories(P("a/icon.png")); // a directory bearing a file's name
    Write("b/icon.png");
    Write("target.png");
    fs::create_symlink(P("target.png"), P("a/linked.png"));
    Write("b/linked.png");
    fs::create_directory_symlink(P("a/sub"), P("b/dirlink"));
    fs::create_directories(P("a/dirlink"));
    EXPECT_EQ(KxResourceConfilctIcon().Check({Dir("a"), Dir("b")}),
              (Result{{"linked.png", {P("a/linked.png"), P("b/linked.png")}}}));
}

TEST_F(ConflictCheckerTest, MissingDirectoriesAndEmptyListsContributeNothing) {
    Write("a/x.png");
    Write("b/x.png");
    Write("file.png");
    EXPECT_TRUE(KxResourceConfilctIcon().Check({}).empty());
    EXPECT_TRUE(KxResourceConfilctContext().Check({}).empty());
    EXPECT_TRUE(KxResourceConfilctIcon().Check({P("none"), P("file.png"), P("none/")}).empty());
    EXPECT_EQ(KxResourceConfilctIcon().Check({Dir("a"), P("none"), P("file.png"), Dir("b")}),
              (Result{{"x.png", {P("a/x.png"), P("b/x.png")}}}));
}

TEST_F(ConflictCheckerTest, AnEntryWhoseKindCannotBeReadFailsTheWholeCheck) {
    Write("a/x.png");
    Write("b/x.png");
    // A link listed by its directory whose full path is too long to be asked about.
    std::string deep = P("deep");
    while (deep.size() < 3900) {
        deep += "/" + std::string(200, 'd');
    }
    fs::create_directories(deep);
    const fs::path cwd = fs::current_path();
    const std::string link(250, 'l');
    fs::current_path(deep);
    fs::create_symlink("x.png", link);
    EXPECT_THROW(KxResourceConfilctIcon().Check({Dir("a"), Dir("b"), deep}), FileSystemError);
    fs::remove(link);
    fs::current_path(cwd);
}

TEST_F(ConflictCheckerTest, FileNameKeyIsTheParsedFileNameWithOnlyAsciiLettersLowered) {
    const std::vector<std::string> paths = {"/d/Save.PNG",
                                            "rel\\Dir\\A.B.C",
                                            "C:\\x\\Y.TXT",
                                            "c:/Z",
                                            "\\\\Server",
                                            "\\\\srv\\Share",
                                            "\\\\srv\\share\\F.Txt",
                                            "/:Q",
                                            "N",
                                            "dir/",
                                            "/",
                                            "/d/\xC4RGER.txt",
                                            "a/./B/../C"};
    Cache cache;
    for (const auto& path : paths) {
        SCOPED_TRACE(path);
        std::string expected = FilePath(path).FileName();
        for (char& c : expected) {
            c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
        cache.keys.clear();
        try {
            CollectFileName(cache, path);
        } catch (const FileSystemError&) {
            ADD_FAILURE() << "a path that parses must not throw";
        }
        ASSERT_EQ(cache.keys.size(), 1u);
        EXPECT_EQ(cache.keys.begin()->first, expected);
        EXPECT_EQ(cache.keys.begin()->second, std::vector<std::string>{path});
    }
    // A malformed drive form is rejected as FilePath rejects it.
    EXPECT_THROW(CollectFileName(cache, "1:\\x"), FileSystemError);
}

TEST_F(ConflictCheckerTest, MenuNamesAreDirectChildrenOfTheRootComparedExactly) {
    Write("a/menus.xml", R"(<Menus>
  <Menu name="Edit"/><Menu name="Edit"/><Menu name="edit"/><Menu/>
  <Group><Menu name="Deep"/></Group>
  <menu name="Lower"/><Action name="Edit"/>
</Menus>)");
    Write("a/broken.xml", R"(<Menus><Menu name="A&amp;B"/>)");
    Write("a/notes.txt", "Edit, Edit and Edit");
    Write("a/empty.xml", "");
    Write("b/more.ui", R"(<?xml version="1.0"?><Anything><Menu name="Edit"/><Menu name="A&amp;B"/>
<Menu name="Deep"/><Menu name="Lower"/></Anything>)");
    Write("c/last", R"(<Other><Menu name="A&amp;B"/></Other>)");
    Write("b/sub/deeper.xml", R"(<Menus><Menu name="Lower"/></Menus>)");
    const Result result = KxResourceConfilctContext().Check({Dir("a"), Dir("b"), Dir("c")});
    EXPECT_EQ(result, (Result{{"A&B", {P("b/more.ui"), P("c/last")}},
                              {"Edit", {P("a/menus.xml"), P("a/menus.xml"), P("b/more.ui")}}}));
}

TEST_F(ConflictCheckerTest, ActionsComeOnlyFromTheUserActionFolderWhateverTheList) {
    setenv("KALDOR_HOME", (root_ + "home").c_str(), 1);
    for (const char* name : {"KALDOR_ROLE", "KALDOR_PROFILE", "KALDOR_FOLDER_7", "KALDOR_TRACE"}) {
        unsetenv(name);
    }
    const std::string actions = "home/roles/Engineer/Action/";
    Write(actions + "one.hcui", R"(<Actions><Action name="Save"/><Action name="save"/></Actions>)");
    Write(actions + "two.xml", R"(<Actions><Action name="Save"/><Menu name="Open"/></Actions>)");
    Write(actions + "three", R"(<Actions><Action name="Open"/></Actions>)");
    Write(actions + "en_US/four.hcui", R"(<Actions><Action name="save"/></Actions>)");
    Write("pkg/a.hcui", R"(<Actions><Action name="Other"/><Action name="Other"/></Actions>)");

    const Result expected = {{"Save", {P(actions + "one.hcui"), P(actions + "two.xml")}}};
    EXPECT_EQ(SortedPaths(KxResourceConfilctAction().Check({})), expected);
    EXPECT_EQ(SortedPaths(KxResourceConfilctAction().Check({Dir("pkg"), Dir("home")})), expected);

    // Without a current profile there is no action folder, and the working directory (which
    // here holds conflicting actions) is not taken for one.
    const fs::path cwd = fs::current_path();
    fs::current_path(P("pkg"));
    setenv("KALDOR_PROFILE", "none", 1);
    EXPECT_TRUE(KxResourceConfilctAction().Check({Dir("pkg")}).empty());
    unsetenv("KALDOR_PROFILE");
    fs::current_path(cwd);
}

} // namespace
