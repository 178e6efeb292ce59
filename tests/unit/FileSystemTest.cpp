// The file operations on any system: what they do with files and folders, and how they fail.
// Links, FIFOs, sockets and odd names are in FileSystemSpecialEntriesTest.cpp (they need POSIX
// calls to make); the Windows-only cases are in tests/windows.
#include "FileSystemTestSupport.h"

#include "UserFolderLock.h"

#include <memory>

using namespace VELMORA::NEVRA::Platform;
using namespace FileSystemTestSupport;

TEST_F(FileSystemTest, MissingPathsThrowNamingOperationAndPath) {
    const std::string missing = At("missing");
    EXPECT_FALSE(PathExists(missing) || RegularFileExists(missing)); // and neither throws
    // The system's own text for what is wrong with the path, whatever the system.
    Sys::Attributes ignored;
    ASSERT_FALSE(Sys::GetAttributes(missing, ignored));
    const std::string notFound = Sys::ErrorText(Sys::LastError());
    const std::vector<std::pair<const char*, void (*)(const std::string&)>> operations = {
        {"IsDirectory", [](const std::string& p) { IsDirectory(p); }},
        {"IsRegularFile", [](const std::string& p) { IsRegularFile(p); }},
        {"IsFileLink", [](const std::string& p) { IsFileLink(p); }},
        {"RemoveEntry", [](const std::string& p) { RemoveEntry(p); }},
        {"RemoveTree", [](const std::string& p) { RemoveTree(p, true); }},
        {"CopyFileOver", [](const std::string& p) { CopyFileOver(p, p + "-copy"); }},

    };
    for (const auto& [name, operation] : operations) {
        const std::string what = ErrorOf([&] { operation(missing); });
        EXPECT_NE(what.find(missing), std::string::npos) << name << ": " << what;
        EXPECT_NE(what.find(notFound), std::string::npos) << name << ": " << what;
    }
    // A search names the folder it could not open (Windows says "path", not "file", not found).
    std::vector<std::string> entries;
    EXPECT_NE(ErrorOf([&] { ListWholeDir(missing, entries); }).find(missing), std::string::npos);
}

TEST_F(FileSystemTest, CreateDirMakesOneLevelAndCreateDirsEveryMissingOne) {
    EXPECT_TRUE(CreateDir(At("a")));
    EXPECT_FALSE(CreateDir(At("a")));
    WriteFile(At("file"), "keep");
    EXPECT_THROW(CreateDir(At("file")), FileSystemError);

    CreateDirs(At("x/y/z/"));
    EXPECT_TRUE(fs::is_directory(At("x/y/z")));
    CreateDirs(At("file"));
    EXPECT_EQ(ReadFile(At("file")), "keep");
    CreateDirs(At("file/below")); // fails silently
    EXPECT_FALSE(PathExists(At("file/below")));
    EXPECT_THROW(CreateDirs("Q:relative"), FileSystemError);
}

// A move is a copy and a delete: a file replaces the one it lands on.
TEST_F(FileSystemTest, FilesAreCopiedOverAndMovedByCopyAndDelete) {
    const std::string content(100000, 'n'); // more than one buffer of the copy
    WriteFile(At("f.txt"), content);
    // Windows keeps only the read-only bit of these; what there is of them moves along.
    fs::permissions(At("f.txt"), fs::perms(0751));
    const fs::perms permissions = fs::status(At("f.txt")).permissions();
    WriteFile(At("old.txt"), std::string(200000, 'o'));
    std::string moving = At("f.txt");
    MoveEntry(moving, At("old.txt"));
    EXPECT_EQ(moving, At("old.txt"));
    EXPECT_FALSE(fs::exists(At("f.txt")));
    EXPECT_EQ(ReadFile(moving), content) << "the longer old content is cut";
    EXPECT_EQ(fs::status(moving).permissions(), permissions);

    // Neither onto itself nor into a directory that a single file would have to create; a failed
    // move leaves the source and the caller's string alone.
    EXPECT_THROW(CopyEntry(moving, moving), FileSystemError);
    EXPECT_THROW(MoveEntry(moving, At("notyet/")), FileSystemError);
    EXPECT_EQ(moving, At("old.txt"));
    EXPECT_EQ(ReadFile(moving), content);
    EXPECT_FALSE(PathExists(At("notyet")));
}

// Hosts on one folder: the first is alone in slot 0; one that joins is not alone and takes the
// next free slot; a slot is free again once its host is gone, and being alone comes back only
// when every host is gone. Two locks in one process stand for two hosts, as the locks belong to
// the open file.
TEST_F(FileSystemTest, UserFolderLockTellsHostsApart) {
    const std::string folder = At("home/logs/");
    auto first = std::make_unique<UserFolderLock>(folder);
    EXPECT_EQ(first->Failure(), "");
    first->EndSetup();
    auto second = std::make_unique<UserFolderLock>(folder);
    second->EndSetup();
    EXPECT_TRUE(first->Alone() && first->Slot() == 0);
    EXPECT_TRUE(!second->Alone() && second->Slot() == 1);
    first.reset();
    UserFolderLock third(folder);
    third.EndSetup();
    EXPECT_TRUE(!third.Alone() && third.Slot() == 0);
    second.reset();
    EXPECT_FALSE(UserFolderLock(folder).Alone()); // the third lives on
    WriteFile(At("file"), "");
    const UserFolderLock unusable(At("file/logs/"));
    EXPECT_NE(unusable.Failure().find("file"), std::string::npos) << unusable.Failure();
    EXPECT_TRUE(unusable.Alone());
}
