#include "FileSystem.h"
#include "Sys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
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

// Stands in for the real sleep in every test here: records the waits and, while asked to, keeps
// a file inside the directory under removal so that deleting the directory keeps failing.
struct SleepProbe {
    static inline std::vector<unsigned> waits;
    static inline std::string blocker;
    static inline std::size_t blockFor = 0; // sleeps after which the blocker stays gone

    static void Hook(unsigned milliseconds) {
        waits.push_back(milliseconds);
        if (blocker.empty()) {
            return;
        }
        if (waits.size() < blockFor) {
            WriteFile(blocker, "again");
        } else {
            fs::remove(blocker);
        }
    }
};

class FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        root_ = (fs::temp_directory_path() / ("orvane-fs-" + std::to_string(random()))).string();
        fs::create_directories(root_);
        SleepProbe::waits.clear();
        SleepProbe::blocker.clear();
        previousSleep_ = Sys::SetSleepFunction(&SleepProbe::Hook);
    }

    void TearDown() override {
        Sys::SetSleepFunction(previousSleep_);
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
    Sys::SleepFunction previousSleep_ = nullptr;
};

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST_F(FileSystemTest, KindTestsOnEveryKindOfEntry) {
    WriteFile(At("file"), "x");
    fs::create_directory(At("dir"));
    fs::create_symlink(At("file"), At("fileLink"));
    fs::create_directory_symlink(At("dir"), At("dirLink"));
    struct Row {
        const char* name;
        bool directory;
        bool regular;
        bool fileLink;
    };
    const Row rows[] = {
        {"file", false, true, false},
        {"dir", true, false, false},
        {"fileLink", false, true, true},
        {"dirLink", true, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_TRUE(PathExists(At(row.name)));
        EXPECT_EQ(IsDirectory(At(row.name)), row.directory);
        EXPECT_EQ(IsRegularFile(At(row.name)), row.regular);
        EXPECT_EQ(IsFileLink(At(row.name)), row.fileLink);
    }
    EXPECT_EQ(IsDirectory(At("dir/")), true);
}

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
            EXPECT_NE(what.find(Sys::ErrorText(2 /* no such entry on every system */)),
                      std::string::npos)
                << what;
        }
    }
    EXPECT_FALSE(PathExists(missing + "-copy"));
}

TEST_F(FileSystemTest, CreateDirMakesOneLevel) {
    EXPECT_TRUE(CreateDir(At("a")));
    EXPECT_TRUE(fs::is_directory(At("a")));
    EXPECT_FALSE(CreateDir(At("a")));
    WriteFile(At("file"), "x");
    EXPECT_THROW(CreateDir(At("file")), FileSystemError);
    EXPECT_THROW(CreateDir(At("missing/b")), FileSystemError);
    EXPECT_FALSE(PathExists(At("missing")));
}

TEST_F(FileSystemTest, CreateDirsMakesEveryMissingLevel) {
    CreateDirs(At("a/b/c"));
    EXPECT_TRUE(fs::is_directory(At("a/b/c")));
    CreateDirs(At("x/y/z/"));
    EXPECT_TRUE(fs::is_directory(At("x/y/z")));
    WriteFile(At("file"), "keep");
    CreateDirs(At("file"));
    EXPECT_EQ(ReadFile(At("file")), "keep");
    CreateDirs(At("file/below")); // fails silently
    EXPECT_FALSE(PathExists(At("file/below")));
    EXPECT_THROW(CreateDirs("Q:relative"), FileSystemError);
}

TEST_F(FileSystemTest, RemoveEntryDeletesAFileAnEmptyDirectoryOrALink) {
    const std::string dir = MakeTree("tree");
    RemoveEntry(dir + "/f1.txt");
    RemoveEntry(dir + "/empty");
    EXPECT_THROW(RemoveEntry(dir + "/sub"), FileSystemError);
    fs::create_directory_symlink(dir + "/sub", At("link"));
    RemoveEntry(At("link"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(At("link"))));
    EXPECT_FALSE(fs::exists(dir + "/f1.txt"));
    EXPECT_FALSE(fs::exists(dir + "/empty"));
    EXPECT_EQ(ReadFile(dir + "/sub/f2.txt"), "two");
    EXPECT_THROW(RemoveTree(dir, false), FileSystemError);
}

TEST_F(FileSystemTest, RemoveTreeDeletesLinksWithoutFollowingThem) {
    const std::string outside = MakeTree("outside");
    const std::string dir = MakeTree("tree");
    fs::create_symlink(outside + "/f1.txt", dir + "/sub/fileLink");
    fs::create_directory_symlink(outside, dir + "/dirLink");
    fs::create_directory_symlink(outside, At("topDirLink"));
    fs::create_symlink(outside + "/f1.txt", At("topFileLink"));

    RemoveTree(dir, true);
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir)));
    RemoveTree(At("topDirLink"), true);
    RemoveTree(At("topFileLink"), true);
    EXPECT_FALSE(fs::exists(fs::symlink_status(At("topDirLink"))));
    EXPECT_FALSE(fs::exists(fs::symlink_status(At("topFileLink"))));

    EXPECT_EQ(ReadFile(outside + "/f1.txt"), "one");
    EXPECT_EQ(ReadFile(outside + "/sub/f2.txt"), "two");
    EXPECT_TRUE(fs::is_directory(outside + "/empty"));

    WriteFile(At("single"), "x");
    RemoveTree(At("single"), true);
    EXPECT_FALSE(fs::exists(At("single")));
    EXPECT_TRUE(SleepProbe::waits.empty());
}

// A directory whose name holds a backslash cannot be listed (the name parses as two levels), so
// whatever it holds stays and its deletion fails the way a directory held open elsewhere does.
TEST_F(FileSystemTest, RemoveTreeRetriesTheDirectorySevenTimesWithDoublingWaits) {
    const std::string locked = At("locked\\dir");
    fs::create_directory(locked);
    SleepProbe::blocker = locked + "/blocker";
    SleepProbe::blockFor = std::numeric_limits<std::size_t>::max();
    WriteFile(SleepProbe::blocker, "held");

    try {
        RemoveTree(locked, true);
        ADD_FAILURE() << "no throw";
    } catch (const FileSystemError& error) {
        EXPECT_NE(std::string(error.what()).find(locked), std::string::npos) << error.what();
    }
    EXPECT_EQ(SleepProbe::waits, (std::vector<unsigned>{10, 20, 40, 80, 160, 320, 640}));
    EXPECT_TRUE(fs::exists(SleepProbe::blocker));
}

TEST_F(FileSystemTest, RemoveTreeSucceedsOnTheAttemptAfterTheDirectoryFrees) {
    const std::vector<unsigned> schedule = {10, 20, 40, 80, 160, 320, 640};
    for (std::size_t freedAfter : {1u, 3u, 7u}) {
        SCOPED_TRACE(freedAfter);
        const std::string locked = At("locked\\" + std::to_string(freedAfter));
        fs::create_directory(locked);
        SleepProbe::waits.clear();
        SleepProbe::blocker = locked + "/blocker";
        SleepProbe::blockFor = freedAfter;
        WriteFile(SleepProbe::blocker, "held");

        RemoveTree(locked, true);
        EXPECT_FALSE(fs::exists(locked));
        EXPECT_EQ(SleepProbe::waits,
                  std::vector<unsigned>(schedule.begin(), schedule.begin() + freedAfter));
    }
}

TEST_F(FileSystemTest, CopyEntryOfAFile) {
    WriteFile(At("f.txt"), "new");
    WriteFile(At("existing.txt"), "old");
    fs::create_directory(At("dir"));

    CopyEntry(At("f.txt"), At("existing.txt"));
    EXPECT_EQ(ReadFile(At("existing.txt")), "new");
    CopyEntry(At("f.txt"), At("dir"));
    EXPECT_EQ(ReadFile(At("dir/f.txt")), "new");
    CopyEntry(At("f.txt"), At("dir/renamed.txt"));
    EXPECT_EQ(ReadFile(At("dir/renamed.txt")), "new");
    CopyEntry(At("f.txt"), At("dir/"));
    EXPECT_EQ(ReadFile(At("dir/f.txt")), "new");

    // A single file never creates the directory it is copied into.
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

    WriteFile(At("plainFile"), "x");
    EXPECT_THROW(CopyDirContents(src, At("plainFile")), FileSystemError);
    EXPECT_EQ(ReadFile(At("plainFile")), "x");
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
    WriteFile(At("stay.txt"), "here");
    std::string stay = At("stay.txt");
    EXPECT_THROW(MoveEntry(stay, At("nowhere/")), FileSystemError);
    EXPECT_EQ(stay, At("stay.txt"));
    EXPECT_EQ(ReadFile(stay), "here");
}

TEST_F(FileSystemTest, ListDirGivesFullPathsOfEveryEntry) {
    std::vector<std::string> out = {"left over"};
    ListDir(At("missing"), out);
    EXPECT_TRUE(out.empty());
    fs::create_directory(At("empty"));
    ListDir(At("empty"), out);
    EXPECT_TRUE(out.empty());
    WriteFile(At("file"), "x");
    ListDir(At("file"), out);
    EXPECT_TRUE(out.empty());

    const std::string dir = MakeTree("tree");
    fs::create_symlink(dir + "/f1.txt", dir + "/link");
    WriteFile(dir + "/.hidden", "h");
    const std::vector<std::string> expected = {dir + "/.hidden", dir + "/empty", dir + "/f1.txt",
                                               dir + "/link", dir + "/sub"};
    for (const std::string& spelling : {dir, dir + "/", dir + "\\"}) {
        SCOPED_TRACE(spelling);
        ListDir(spelling, out);
        EXPECT_EQ(Sorted(out), expected);
    }
}

TEST_F(FileSystemTest, DirIteratorEqualityMovesAndKinds) {
    const std::string dir = MakeTree("tree");
    fs::create_symlink(dir + "/f1.txt", dir + "/fileLink");
    fs::create_directory_symlink(dir + "/sub", dir + "/dirLink");

    const DirIterator end;
    EXPECT_TRUE(end == DirIterator());
    EXPECT_TRUE(DirIterator(At("missing")) == end);
    fs::create_directory(At("empty"));
    EXPECT_TRUE(DirIterator(At("empty")) == end);

    DirIterator first(dir);
    ASSERT_TRUE(first != end);
    EXPECT_TRUE(DirIterator(FilePath(dir)) == first); // same directory, same first entry
    EXPECT_EQ(first.Path().FileName(), fs::path(*first).filename().string());
    EXPECT_EQ(first.Path().Str(), *first);

    DirIterator moved(std::move(first));
    EXPECT_TRUE(first ==
                end); // NOLINT(bugprone-use-after-move): a moved-from iterator is at its end
    std::size_t count = 0;
    for (; moved != end; ++moved) {
        ++count;
        bool regular = false;
        if (moved.KnownRegularFile(regular)) {
            EXPECT_EQ(regular, IsRegularFile(*moved)) << *moved;
        }
    }
    EXPECT_EQ(count, 5u);
    EXPECT_TRUE(moved->empty());
    bool regular = true;
    EXPECT_FALSE(moved.KnownRegularFile(regular));
}

TEST_F(FileSystemTest, DeviceNamesAreNotRegularFilesInTheIteratorEither) {
    WriteFile(At("nul"), "x");
    WriteFile(At("COM1"), "x");
    WriteFile(At("plain"), "x");
    const fs::path previous = fs::current_path();
    fs::current_path(root_);
    std::vector<std::pair<std::string, bool>> seen;
    for (DirIterator it{std::string()}, end; it != end; ++it) {
        bool regular = false;
        const bool known = it.KnownRegularFile(regular);
        seen.emplace_back(*it, IsRegularFile(*it));
        if (known) {
            EXPECT_EQ(regular, seen.back().second) << *it;
        }
    }
    fs::current_path(previous);
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::pair<std::string, bool>>{
                        {"COM1", false}, {"nul", false}, {"plain", true}}));
    EXPECT_TRUE(IsRegularFile(At("nul"))); // a full path is never a device name
}

TEST(ModuleFileTest, NamesThisBinary) {
    const std::string path = ModuleFilePath();
    EXPECT_EQ(path, ModuleFilePathByAddress());
    EXPECT_EQ(ModuleFilePath(), path);
    EXPECT_TRUE(IsRegularFile(path));
    EXPECT_EQ(ModuleName(), fs::path(path).stem().string());
    EXPECT_EQ(ModuleName().find('.'), std::string::npos);
    const std::string directory = ModuleDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ(directory.back(), Sys::NativeSeparator());
    EXPECT_EQ(directory + fs::path(path).filename().string(), path);
}
