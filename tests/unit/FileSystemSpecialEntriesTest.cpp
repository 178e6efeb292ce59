// Listing a folder that holds what only a POSIX system makes easily: links to files and folders,
// and files named like devices.
#include "FileSystemTestSupport.h"

#include <set>

using namespace VELMORA::NEVRA::Platform;
using namespace FileSystemTestSupport;

TEST_F(FileSystemTest, ListDirAndDirIteratorYieldEveryEntryOnce) {
    const std::string dir = MakeTree("tree");
    std::vector<std::string> out = {"left over"};
    for (const std::string& nothing : {At("missing"), dir + "/empty"}) {
        ListDir(nothing, out);
        EXPECT_TRUE(out.empty()) << nothing;
    }
    fs::create_symlink(dir + "/f1.txt", dir + "/fileLink");
    fs::create_directory_symlink(dir + "/sub", dir + "/dirLink");
    for (const char* name : {".hidden", "nul", "COM1"}) {
        WriteFile(dir + "/" + name, "x");
    }
    // Searched as the current directory, the names stand alone: then a device name is no file.
    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    DirIterator first{std::string()};
    const DirIterator end;
    EXPECT_TRUE(DirIterator(FilePath(dir)) == first); // same directory, same first entry
    EXPECT_EQ(first.Path().Str(), *first);
    DirIterator moved(std::move(first));
    EXPECT_TRUE(first == end); // NOLINT(bugprone-use-after-move): a moved-from iterator ends
    std::set<std::string> kinds;
    std::vector<std::string> listed;
    for (; moved != end; ++moved) {
        bool regular = false;
        EXPECT_TRUE(!moved.KnownRegularFile(regular) || regular == IsRegularFile(*moved)) << *moved;
        kinds.insert(*moved + (IsDirectory(*moved) ? " dir" : "") +
                     (IsRegularFile(*moved) ? " file" : "") + (IsFileLink(*moved) ? " link" : ""));
        listed.push_back(dir + "/" + *moved);
    }
    fs::current_path(previous);
    EXPECT_EQ(kinds,
              (std::set<std::string>{".hidden file", "COM1", "dirLink dir", "empty dir",
                                     "f1.txt file", "fileLink file link", "nul", "sub dir"}));
    EXPECT_TRUE(moved->empty());
    EXPECT_TRUE(IsRegularFile(dir + "/nul")); // a full path is never a device name

    ListDir(dir + "\\", out); // the same entries in the same order, as full paths
    EXPECT_EQ(out, listed);
}
