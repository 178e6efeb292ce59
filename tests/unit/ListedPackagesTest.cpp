// The load-list readers on well-formed, partial, malformed and odd XML, and how application
// paths resolve against the application folder.
#include "ListedPackages.h"
#include "FileSystem.h"
#include "Layout.h"
#include "LoadListFile.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace VELMORA::NEVRA::Platform {
namespace {

namespace fs = std::filesystem;

class LoadListsTest : public ::testing::Test {
protected:
    std::string Write(const std::string& content) {
        const std::string path = dir_ + "list" + std::to_string(++count_) + ".xml";
        std::ofstream(path) << content;
        return path;
    }

    TestSupport::TempFolder folder_{"orvane-lists-"};
    const std::string dir_ = folder_.Path() + "/";
    int count_ = 0;
};

using Names = std::vector<std::string>;

TEST_F(LoadListsTest, ModuleListKeepsOrderAndSkipsQaAndIncompleteEntries) {
    const std::string file = Write(R"(<?xml version="1.0"?>
<Anything>
  <!-- comments and text are ignored -->
  text
  <module name="A" qa="0"/>
  <module name="B" qa="1"/>
  <module name="C"/>
  <module qa="0"/>
  <Module name="Upper" qa="0"/>
  <module name="D" qa=""/>
  <group><module name="Nested" qa="0"/></group>
  <module name="E&amp;F" qa="yes"/>
</Anything>)");
    const auto entries = ReadModuleList(file);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[1].name, "B");
    EXPECT_TRUE(entries[1].qa);
    EXPECT_EQ(ActiveModules(file), (Names{"A", "D", "E&F"}));
}

// A FIFO is refused instead of blocking start-up until someone writes to it.
TEST_F(LoadListsTest, ListFileRefusesAFifo) {
    const std::string fifo = dir_ + "fifo.xml";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(LoadListFile::ReadApps(fifo).Reading().state, XmlFileState::Unreadable);
}

TEST_F(LoadListsTest, BrokenListsReadAsEmpty) {
    const std::string cases[] = {
        "",
        "<?xml version=\"1.0\"?>",
        "<List><module name=\"A\" qa=\"0\"></List>",
        "not xml at all",
        "<List><module name=\"A\" qa=\"0\"/>",
        "\xff\xfe<\x00L\x00",
    };
    for (const auto& content : cases) {
        const std::string file = Write(content);
        EXPECT_TRUE(ReadModuleList(file).empty()) << content;
        EXPECT_TRUE(ReadAppList(file).empty()) << content;
    }
    EXPECT_TRUE(ActiveModules(dir_ + "missing.xml").empty());
    EXPECT_TRUE(EnabledApps(dir_).empty()); // a directory is no list
}

TEST_F(LoadListsTest, OnlyExactlyOneEnablesAnApplication) {
    const std::string file = Write(R"(<Apps>
  <App path="/opt/a/One.so" load="1"/>
  <App path="/opt/a/True.so" load="true"/>
  <App path="/opt/a/Zero1.so" load="01"/>
  <App path="/opt/a/Space.so" load=" 1"/>
  <App path="/opt/a/NoLoad.so"/>
  <App load="1"/>
  <app path="/opt/a/Lower.so" load="1"/>
  <App path="/opt/a/Two.so" load="1"/>
</Apps>)");
    const auto entries = ReadAppList(file);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_FALSE(entries[1].load);
    EXPECT_EQ(EnabledApps(file), (Names{"/opt/a/One.so", "/opt/a/Two.so"}));
}

TEST(ResolveAppPath, RelativeAbsoluteAndDirectoryForms) {
    const std::string app = AppDirectory();
    ASSERT_FALSE(app.empty());
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"X.so", app + "X.so"},
        {app + "X.so", "X.so"},
        {app + "Sub/X.so", app + "Sub/X.so"},
        {"Sub\\X.so", app + "Sub/X.so"},
        {"./Sub/../X.so", app + "X.so"},
        {"../Outside.so", FilePath(app).Parent().Str() + "Outside.so"},
        {"/opt/other/Y.so", "/opt/other/Y.so"},
        {"/opt//other/./Y.so", "/opt/other/Y.so"},
        {"", ""},
        {"Sub/", "Sub/"},
        {"/opt/dir/", "/opt/dir/"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ResolveAppPath(c.text), c.expected) << c.text;
    }
    EXPECT_THROW(ResolveAppPath("C:x.so"), std::exception);
}

TEST(ResolveAppPath, ComparesTheApplicationFolderExactly) {
    std::string upper = AppDirectory();
    upper.replace(upper.size() - 6, 5, "KXAPP");
    EXPECT_EQ(ResolveAppPath(upper + "X.so"), upper + "X.so");
}

} // namespace
} // namespace VELMORA::NEVRA::Platform
