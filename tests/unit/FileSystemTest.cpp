#include "FileSystem.h"
#include "Sys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

using namespace VELMORA::NEVRA::Platform;
namespace fs = std::filesystem;

namespace {

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Stands in for the real sleep in every test here: records the waits and, at the `freeAt`-th,
// takes away the file that keeps the directory under removal from being deleted.
std::vector<unsigned> waits;
std::string blocker;
std::size_t freeAt = 0;
void RecordSleep(unsigned milliseconds) {
    waits.push_back(milliseconds);
    if (waits.size() == freeAt) {
        fs::remove(blocker);
    }
}

class FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        root_ = (fs::temp_directory_path() / ("orvane-fs-" + std::to_string(random()))).string();
        fs::create_directories(root_);
        waits.clear();
        freeAt = 0;
        Sys::SetSleepFunction(&RecordSleep);
    }

    void TearDown() override {
        Sys::SetSleepFunction(nullptr); // the real one again
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    std::string At(const std::string& relative) const { return root_ + "/" + relative; }

    // A small tree: dir/f1.txt, dir/sub/f2.txt, dir/empty/
    std::string MakeTree(const std::string& name) {
        const std::string dir = At(name);
        fs::create_directories(dir + "/sub");
        fs::create_directories(dir + "/empty");
        WriteFile(dir + "/f1.txt", "one");
        WriteFile(dir + "/sub/f2.txt", "two");
        return dir;
    }

    std::string root_;
};

} // namespace

TEST_F(FileSystemTest, MissingPathsThrowNamingOperationAndPath) {
    const std::string missing = At("missing");
    EXPECT_FALSE(PathExists(missing));
    const std::vector<std::pair<const char*, void (*)(const std::string&)>> operations = {
        {"IsDirectory", [](const std::string& p) { IsDirectory(p); }},
        {"IsRegularFile", [](const std::string& p) { IsRegularFile(p); }},
        {"IsFileLink", [](const std::string& p) { IsFileLink(p); }},
        {"RemoveEntry", [](const std::string& p) { RemoveEntry(p); }},
        {"RemoveTree", [](const std::string& p) { RemoveTree(p, true); }},
        {"CopyEntry", [](const std::string& p) { CopyEntry(p, p + "-copy"); }},
        {"CopyFileOver", [](const std::string& p) { CopyFileOver(p, p + "-copy"); }},
    };
    for (const auto& [name, operation] : operations) {
        SCOPED_TRACE(name);
        try {
            operation(missing);
            ADD_FAILURE() << "no throw";
        } catch (const FileSystemError& error) {
            const std::string what = error.what();
            EXPECT_NE(what.find(missing), std::string::npos) << what;
            EXPECT_NE(what.find(Sys::ErrorText(ENOENT)), std::string::npos) << what;
        }
    }
    EXPECT_FALSE(PathExists(missing + "-copy"));
}

TEST_F(FileSystemTest, CreateDirMakesOneLevelAndCreateDirsEveryMissingOne) {
    EXPECT_TRUE(CreateDir(At("a")));
    EXPECT_FALSE(CreateDir(At("a")));
    WriteFile(At("file"), "keep");
    EXPECT_THROW(CreateDir(At("file")), FileSystemError);
    EXPECT_THROW(CreateDir(At("missing/b")), FileSystemError);

    CreateDirs(At("x/y/z/"));
    EXPECT_TRUE(fs::is_directory(At("x/y/z")));
    CreateDirs(At("file"));
    EXPECT_EQ(ReadFile(At("file")), "keep");
    CreateDirs(At("file/below")); // fails silently
    EXPECT_FALSE(PathExists(At("file/below")));
    EXPECT_THROW(CreateDirs("Q:relative"), FileSystemError);
}

TEST_F(FileSystemTest, RemoveDeletesLinksWithoutFollowingThem) {
    const std::string outside = MakeTree("outside");
    const std::string dir = MakeTree("tree");
    fs::create_directory_symlink(outside, dir + "/dirLink");
    fs::create_directory_symlink(outside, At("topDirLink"));
    fs::create_symlink(outside + "/f1.txt", At("topFileLink"));
    WriteFile(At("single"), "x");

    // One entry at a time: a file or an empty directory, never a full one.
    EXPECT_THROW(RemoveEntry(dir + "/sub"), FileSystemError);
    EXPECT_THROW(RemoveTree(dir, false), FileSystemError);
    RemoveEntry(dir + "/f1.txt");
    RemoveEntry(dir + "/empty");
    EXPECT_FALSE(fs::exists(dir + "/f1.txt") || fs::exists(dir + "/empty"));

    for (const std::string& path : {dir, At("topDirLink"), At("topFileLink"), At("single")}) {
        RemoveTree(path, true);
        EXPECT_FALSE(fs::exists(fs::symlink_status(path))) << path;
    }
    EXPECT_EQ(ReadFile(outside + "/f1.txt"), "one");
    EXPECT_EQ(ReadFile(outside + "/sub/f2.txt"), "two");
    EXPECT_TRUE(fs::is_directory(outside + "/empty"));
    EXPECT_TRUE(waits.empty());
}

// A directory whose name holds a backslash cannot be listed (the name parses as two levels), so
// whatever it holds stays and its deletion fails the way a directory held open elsewhere does.
TEST_F(FileSystemTest, RemoveTreeRetriesTheDirectoryWithDoublingWaits) {
    const std::vector<unsigned> schedule = {10, 20, 40, 80, 160, 320, 640};
    // Freed after that many waits; after 8 it is too late: eight attempts, seven waits.
    for (const std::size_t freedAfter : {1u, 3u, 7u, 8u}) {
        const std::string locked = At("locked\\" + std::to_string(freedAfter));
        fs::create_directory(locked);
        waits.clear();
        blocker = locked + "/blocker";
        freeAt = freedAfter;
        WriteFile(blocker, "held");
        std::string error;
        try {
            RemoveTree(locked, true);
        } catch (const FileSystemError& thrown) {
            error = thrown.what();
        }
        const bool tooLate = freedAfter > schedule.size();
        EXPECT_EQ(fs::exists(locked), tooLate) << freedAfter;
        EXPECT_EQ(error.find(locked) != std::string::npos, tooLate) << error;
        EXPECT_EQ(waits, std::vector<unsigned>(schedule.begin(),
                                               schedule.begin() + (tooLate ? 7 : freedAfter)));
    }
}

TEST_F(FileSystemTest, CopyEntryOfAFile) {
    const std::string content(100000, 'n'); // more than one buffer of the copy
    WriteFile(At("f.txt"), content);
    fs::permissions(At("f.txt"), fs::perms(0751));
    WriteFile(At("existing.txt"), std::string(200000, 'o'));
    fs::create_directory(At("dir"));

    CopyEntry(At("f.txt"), At("existing.txt"));
    EXPECT_EQ(ReadFile(At("existing.txt")), content) << "the longer old content is cut";
    EXPECT_EQ(fs::status(At("existing.txt")).permissions(), fs::perms(0751));
    CopyEntry(At("f.txt"), At("dir"));
    EXPECT_EQ(ReadFile(At("dir/f.txt")), content);

    // Neither onto itself nor into a directory that a single file would have to create.
    EXPECT_THROW(CopyEntry(At("f.txt"), At("f.txt")), FileSystemError);
    EXPECT_EQ(ReadFile(At("f.txt")), content);
    EXPECT_THROW(CopyEntry(At("f.txt"), At("notyet/")), FileSystemError);
    EXPECT_FALSE(PathExists(At("notyet")));
}

TEST_F(FileSystemTest, CopyEntryOfADirectoryMerges) {
    const std::string src = MakeTree("data");
    fs::create_directories(At("dst/data/sub"));
    WriteFile(At("dst/data/f1.txt"), "stale");
    WriteFile(At("dst/data/sub/other.txt"), "stays");

    CopyEntry(src, At("dst"));
    EXPECT_EQ(ReadFile(At("dst/data/f1.txt")), "one");
    EXPECT_EQ(ReadFile(At("dst/data/sub/f2.txt")), "two");
    EXPECT_EQ(ReadFile(At("dst/data/sub/other.txt")), "stays");
    EXPECT_TRUE(fs::is_directory(At("dst/data/empty")));

    CopyEntry(src, At("fresh/"));
    EXPECT_EQ(ReadFile(At("fresh/data/sub/f2.txt")), "two");
    CopyEntry(src, At("named"));
    EXPECT_EQ(ReadFile(At("named/sub/f2.txt")), "two");
    CopyEntry(src + "/", At("flat/"));
    EXPECT_EQ(ReadFile(At("flat/f1.txt")), "one");

    // Into itself: what was there is copied once.
    CopyEntry(src, src + "/");
    EXPECT_EQ(ReadFile(src + "/data/sub/f2.txt"), "two");
    EXPECT_FALSE(fs::exists(src + "/data/data"));

    EXPECT_THROW(CopyDirContents(src, At("named/f1.txt")), FileSystemError);
    EXPECT_EQ(ReadFile(At("named/f1.txt")), "one");
}

TEST_F(FileSystemTest, MoveEntryCopiesThenDeletes) {
    WriteFile(At("src.txt"), "moved");
    WriteFile(At("dst.txt"), "old");
    std::string src = At("src.txt");
    MoveEntry(src, At("dst.txt"));
    EXPECT_EQ(src, At("dst.txt"));
    EXPECT_EQ(ReadFile(At("dst.txt")), "moved");
    EXPECT_FALSE(fs::exists(At("src.txt")));

    std::string dir = MakeTree("tree");
    MoveEntry(dir, At("target/"));
    EXPECT_EQ(dir, At("target"));
    EXPECT_EQ(ReadFile(At("target/tree/sub/f2.txt")), "two");
    EXPECT_FALSE(fs::exists(At("tree")));

    // A failed copy leaves the source and the caller's string alone.
    std::string stay = At("dst.txt");
    EXPECT_THROW(MoveEntry(stay, At("nowhere/")), FileSystemError);
    EXPECT_EQ(stay, At("dst.txt"));
    EXPECT_EQ(ReadFile(stay), "moved");
}

TEST_F(FileSystemTest, ListDirAndDirIteratorYieldEveryEntryOnce) {
    std::vector<std::string> out = {"left over"};
    fs::create_directory(At("empty"));
    for (const char* nothing : {"missing", "empty"}) {
        ListDir(At(nothing), out);
        EXPECT_TRUE(out.empty()) << nothing;
    }

    const std::string dir = MakeTree("tree");
    fs::create_symlink(dir + "/f1.txt", dir + "/fileLink");
    fs::create_directory_symlink(dir + "/sub", dir + "/dirLink");
    for (const char* name : {".hidden", "nul", "COM1"}) {
        WriteFile(dir + "/" + name, "x");
    }
    std::vector<std::string> expected;
    for (const char* name :
         {".hidden", "COM1", "dirLink", "empty", "f1.txt", "fileLink", "nul", "sub"}) {
        expected.push_back(dir + "/" + name);
    }
    for (const std::string& spelling : {dir, dir + "/", dir + "\\"}) {
        ListDir(spelling, out);
        std::sort(out.begin(), out.end());
        EXPECT_EQ(out, expected) << spelling;
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
    std::vector<std::string> kinds;
    for (; moved != end; ++moved) {
        bool regular = false;
        EXPECT_TRUE(!moved.KnownRegularFile(regular) || regular == IsRegularFile(*moved)) << *moved;
        kinds.push_back(*moved + (IsDirectory(*moved) ? " dir" : "") +
                        (IsRegularFile(*moved) ? " file" : "") +
                        (IsFileLink(*moved) ? " link" : ""));
    }
    fs::current_path(previous);
    std::sort(kinds.begin(), kinds.end());
    EXPECT_EQ(kinds,
              (std::vector<std::string>{".hidden file", "COM1", "dirLink dir", "empty dir",
                                        "f1.txt file", "fileLink file link", "nul", "sub dir"}));
    EXPECT_TRUE(moved->empty());
    EXPECT_TRUE(IsRegularFile(dir + "/nul")); // a full path is never a device name
    EXPECT_TRUE(IsDirectory(dir + "/dirLink/"));
}

TEST(ModuleFileTest, NamesThisBinary) {
    const std::string path = ModuleFilePath();
    EXPECT_EQ(path, ModuleFilePathByAddress());
    EXPECT_TRUE(IsRegularFile(path));
    EXPECT_EQ(ModuleName(), fs::path(path).stem().string());
    EXPECT_EQ(ModuleDirectory(), fs::path(path).parent_path().string() + Sys::NativeSeparator());
}
