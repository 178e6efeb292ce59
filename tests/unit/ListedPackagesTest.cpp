// The load-list readers on well-formed, partial, malformed and odd XML, and how application
// paths resolve against the application folder.
#include "ListedPackages.h"
#include "FileSystem.h"
#include "Layout.h"
#include "LoadListFile.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace VELMORA::NEVRA::Platform
