// The file operations on what only a POSIX system makes easily: links in every spelling, FIFOs,
// sockets, devices behind links, and a directory name holding a backslash.
#include "FileSystemTestSupport.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <set>

using namespace VELMORA::NEVRA::Platform;
using namespace FileSystemTestSupport;

namespace {

// The special entries a user folder can hold: none of them may be opened, read or copied.
void MakeFifo(const std::string& path) {
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0) << path;
}

void MakeSocket(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof address.sun_path);
    path.copy(address.sun_path, path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << path;
    ::close(fd); // the entry stays
}

} // namespace

TEST_F(FileSystemTest, RemoveDeletesFileAndDanglingLinksWithoutFollowingThem) {
    const std::string outside = MakeTree("outside");
    const std::string dir = MakeTree("tree");
    fs::create_symlink(outside + "/f1.txt", dir + "/fileLink");
    fs::create_symlink(outside + "/f1.txt", At("topFileLink"));
    fs::create_symlink(At("gone"), dir + "/dangling");
    // A link counts as what it names; the dangling one names nothing.
    EXPECT_TRUE(TargetExists(dir + "/fileLink") && PathExists(dir + "/dangling"));
    EXPECT_FALSE(TargetExists(dir + "/dangling"));

    // One entry at a time: a file or an empty directory, never a full one.
    EXPECT_THROW(RemoveTree(dir, false), FileSystemError);
    RemoveEntry(dir + "/empty");
    EXPECT_FALSE(fs::exists(dir + "/empty"));

    for (const std::string& path : {dir, At("topFileLink")}) {
        RemoveTree(path, true);
        EXPECT_FALSE(fs::exists(fs::symlink_status(path))) << path;
    }
    EXPECT_EQ(ReadFile(outside + "/f1.txt") + ReadFile(outside + "/sub/f2.txt"), "onetwo");
    EXPECT_TRUE(waits.empty());
}

// "link/" of a link to a directory names the link: it goes as itself and its target, a folder the
// user keeps elsewhere, is neither entered nor emptied, whatever the operation.
TEST_F(FileSystemTest, ALinkToADirectoryIsNeverEnteredInAnySpelling) {
    const std::string outside = MakeTree("outside");
    const std::vector<std::pair<const char*, std::function<void(const std::string&)>>> uses = {
        {"RemoveTree", [](const std::string& p) { RemoveTree(p, true); }},
        {"RemoveEntry", [](const std::string& p) { RemoveEntry(p); }},
        {"MoveEntry",
         [this, &outside](const std::string& p) {
             std::string moving = p;
             fs::create_directories(At("moved"));
             MoveEntry(moving, At("moved/"));
             EXPECT_EQ(fs::read_symlink(At("moved/link")), outside);
             fs::remove(At("moved/link"));
         }},
        {"RemoveTree of its folder",
         [this](const std::string&) { RemoveTree(At("holder/"), true); }},
    };
    for (const auto& [name, use] : uses) {
        for (const std::string spelling : {"link", "link/", "link//"}) {
            fs::create_directories(At("holder"));
            fs::create_directory_symlink(outside, At("holder/link"));
            use(At("holder/" + spelling));
            EXPECT_FALSE(fs::exists(fs::symlink_status(At("holder/link")))) << name << spelling;
            EXPECT_EQ(ReadFile(outside + "/f1.txt") + ReadFile(outside + "/sub/f2.txt"), "onetwo")
                << name << " " << spelling;
            EXPECT_TRUE(waits.empty()) << name << " " << spelling;
            fs::remove_all(At("holder"));
        }
    }
    // Copied, a link is made again with the same target.
    fs::create_directory_symlink(outside, At("link"));
    fs::create_directories(At("tree"));
    fs::create_directory_symlink(outside, At("tree/inner"));
    fs::create_directories(At("copy"));
    CopyEntry(At("link/"), At("copy/"));
    CopyEntry(At("tree"), At("copy"));
    EXPECT_EQ(fs::read_symlink(At("copy/link")), outside);
    EXPECT_EQ(fs::read_symlink(At("copy/tree/inner")), outside);
    // A file written with a separator names nothing.
    EXPECT_FALSE(PathExists(outside + "/f1.txt/"));
    EXPECT_THROW(RemoveEntry(outside + "/f1.txt/"), FileSystemError);
}

// FIFOs, sockets and devices, also behind links, are passed over: a copy or a move leaves them
// where they are, a read refuses them, and nothing waits for a writer or reads without end.
TEST_F(FileSystemTest, SpecialFilesAreNeverOpenedReadOrCopied) {
    const std::string dir = MakeTree("tree");
    MakeFifo(dir + "/pipe.hcui");
    MakeSocket(dir + "/socket.hcui");
    fs::create_symlink("/dev/zero", dir + "/zero.hcui");
    fs::create_symlink(dir + "/pipe.hcui", dir + "/pipeLink.hcui");
    fs::create_symlink(At("gone"), dir + "/dangling.hcui");
    const std::vector<std::string> special = {"pipe.hcui", "socket.hcui", "zero.hcui",
                                              "pipeLink.hcui", "dangling.hcui"};
    for (DirIterator it(dir), end; it != end; ++it) {
        bool regular = false;
        const bool known = it.KnownRegularFile(regular);
        EXPECT_EQ(IsRegularFile(*it), fs::is_regular_file(*it)) << *it;
        EXPECT_EQ(RegularFileExists(*it), IsRegularFile(*it)) << *it;
        EXPECT_TRUE(!known || regular == IsRegularFile(*it)) << *it;
    }
    for (const std::string& name : special) {
        const std::string path = dir + "/" + name;
        EXPECT_FALSE(IsRegularFile(path)) << name;
        EXPECT_NE(ErrorOf([&] { ReadFileBytes(path); }).find(path), std::string::npos) << name;
        EXPECT_THROW(CopyFileOver(path, At(name)), FileSystemError) << name;
        CopyEntry(path, At(name)); // passed over
        std::string moving = path;
        MoveEntry(moving, At(name)); // passed over, and not lost
        EXPECT_EQ(moving, path);
        EXPECT_TRUE(fs::exists(fs::symlink_status(path))) << name << " is kept";
        EXPECT_FALSE(fs::exists(fs::symlink_status(At(name)))) << name;
    }
    CopyEntry(dir, At("copy"));
    std::set<std::string> copied;
    for (const auto& entry : fs::recursive_directory_iterator(At("copy"))) {
        copied.insert(entry.path().lexically_relative(At("copy")).string());
    }
    EXPECT_EQ(copied, (std::set<std::string>{"empty", "f1.txt", "sub", "sub/f2.txt"}));
    EXPECT_EQ(ReadFileBytes(dir + "/f1.txt"), "one");

    // A copy lands on a link by replacing it, never by writing through it.
    fs::create_symlink(dir + "/sub/f2.txt", At("onto"));
    CopyFileOver(dir + "/f1.txt", At("onto"));
    EXPECT_FALSE(fs::is_symlink(At("onto")));
    EXPECT_EQ(ReadFile(At("onto")) + ReadFile(dir + "/sub/f2.txt"), "onetwo");
    // A FIFO in the way of a copy fails it at once instead of waiting for a reader.
    MakeFifo(At("blocked"));
    EXPECT_THROW(CopyFileOver(dir + "/f1.txt", At("blocked")), FileSystemError);
}

// A directory whose name holds a backslash cannot be listed (the name parses as two levels), so
// whatever it holds stays and its deletion fails the way a directory held open elsewhere does.
TEST_F(FileSystemTest, RemoveTreeRetriesTheDirectoryWithDoublingWaits) {
    const std::vector<unsigned> schedule = {10, 20, 40, 80, 160, 320, 640};
    // Freed after that many waits; after 8 it is too late: eight attempts, seven waits.
    for (const std::size_t freedAfter : {1u, 3u, 7u, 8u}) {
        const std::string locked = At("locked\\" + std::to_string(freedAfter));
        const std::string blocker = locked + "/blocker";
        fs::create_directories(blocker);
        onFree = [blocker] { fs::remove(blocker); };
        waits.clear();
        freeAt = freedAfter;
        const std::string error = ErrorOf([&] { RemoveTree(locked, true); });
        const bool tooLate = freedAfter > schedule.size();
        EXPECT_EQ(fs::exists(locked), tooLate) << freedAfter;
        EXPECT_EQ(error.find(locked) != std::string::npos, tooLate) << error;
        EXPECT_EQ(waits, std::vector<unsigned>(schedule.begin(),
                                               schedule.begin() + (tooLate ? 7 : freedAfter)));
    }
}

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
