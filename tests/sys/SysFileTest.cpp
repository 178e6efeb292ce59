// The platform layer's view of links (to a file, to a directory, to nothing) through the
// attribute query and the directory search.
#include "Sys.h"
#include "SysTestSupport.h"

#include <map>
#include <tuple>

namespace Sys = VELMORA::NEVRA::Platform::Sys;
namespace fs = std::filesystem;

namespace {

using SysFiles = SysTest::WithTempDir;

TEST_F(SysFiles, AttributesAndSearchTellEveryKindOfEntryApart) {
    SysTest::WriteFile(dir / "file", "content");
    fs::create_directory(dir / "dir");
    fs::create_symlink(dir / "file", dir / "linkToFile");
    fs::create_directory_symlink(dir / "dir", dir / "linkToDir");
    fs::create_symlink(dir / "gone", dir / "dangling");

    std::map<std::string, Sys::FindEntry> found;
    Sys::FindEntry entry;
    Sys::FindHandle search = Sys::FindFirst(dir / "*", entry);
    ASSERT_NE(search, nullptr);
    do {
        EXPECT_TRUE(found.emplace(entry.name, entry).second) << "reported twice: " << entry.name;
    } while (Sys::FindNext(search, entry));
    EXPECT_EQ(Sys::LastError(), 0u) << "the end of a search is no error";
    Sys::FindClose(search);
    EXPECT_EQ(found.size(), 7u);

    // {name, directory, link}: the search leaves a link's kind to the caller's question.
    const std::tuple<const char*, bool, bool> rows[] = {
        {".", true, false},        {"..", true, false},       {"linkToFile", false, true},
        {"linkToDir", true, true}, {"dangling", false, true},
    };
    for (const auto& [name, directory, link] : rows) {
        SCOPED_TRACE(name);
        Sys::Attributes attributes;
        attributes.directory = !directory; // must be overwritten
        attributes.link = !link;
        Sys::SetLastError(0);
        ASSERT_TRUE(Sys::GetAttributes(dir / name, attributes));
        EXPECT_EQ(attributes.directory, directory);
        EXPECT_EQ(attributes.link, link);
        EXPECT_EQ(Sys::LastError(), 0u) << "a readable entry leaves no error behind";
        EXPECT_EQ(found[name].link, link);
        EXPECT_EQ(found[name].kindKnown, !link);
        EXPECT_EQ(found[name].directory, directory && !link);
    }
}

} // namespace
