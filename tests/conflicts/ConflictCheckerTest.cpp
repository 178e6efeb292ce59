#include "ConflictCheckerFixture.h"
#include "TestSystem.h"

#include <algorithm>
#include <string>
#include <vector>

// The library's one store is a static object of the shared library only. The checkers never
// touch it, but the core's resource code refers to it, so this binary brings its own, built
// only if something asks for it.
SettingStore& SettingStore::Instance() {
    static SettingStore store;
    return store;
}

namespace conflicts_test {
namespace {

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
    TestSupport::SetVariable("KALDOR_HOME", P("home"));
    for (const char* name : {"KALDOR_ROLE", "KALDOR_PROFILE", "KALDOR_FOLDER_7", "KALDOR_TRACE"}) {
        TestSupport::UnsetVariable(name);
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
    TestSupport::SetVariable("KALDOR_PROFILE", "none");
    EXPECT_TRUE(KxResourceConfilctAction().Check({P("pkg")}).empty());
}

} // namespace
} // namespace conflicts_test
