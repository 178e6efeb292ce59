// The platform layer's file, directory, environment and error calls on real files and links.
#include "Sys.h"
#include "SysTestSupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <vector>

namespace Sys = VELMORA::NEVRA::Platform::Sys;
using SysTest::ReadFile;
using SysTest::TempDir;
using SysTest::WriteFile;
namespace fs = std::filesystem;

namespace {

// A directory with one entry of every kind the layer tells apart.
class SysEntryKinds : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(dir / "file", "content");
        fs::create_directory(dir / "dir");
        fs::create_symlink(dir / "file", dir / "linkToFile");
        fs::create_directory_symlink(dir / "dir", dir / "linkToDir");
        fs::create_symlink(dir / "gone", dir / "dangling");
    }

    TempDir dir;
};

TEST_F(SysEntryKinds, AttributesFollowLinksForDirectoryOnly) {
    struct Row {
        const char* name;
        bool directory;
        bool link;
    };
    const Row rows[] = {{"file", false, false},
                        {"dir", true, false},
                        {"linkToFile", false, true},
                        {"linkToDir", true, true},
                        {"dangling", false, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Sys::Attributes attributes;
        attributes.directory = !row.directory; // must be overwritten
        attributes.link = !row.link;
        Sys::SetLastError(0);
        ASSERT_TRUE(Sys::GetAttributes(dir / row.name, attributes));
        EXPECT_EQ(attributes.directory, row.directory);
        EXPECT_EQ(attributes.link, row.link);
        EXPECT_EQ(Sys::LastError(), 0u) << "a readable entry leaves no error behind";
    }
}

TEST_F(SysEntryKinds, AttributesOfMissingEntryFailWithError) {
    Sys::Attributes attributes;
    Sys::SetLastError(0);
    EXPECT_FALSE(Sys::GetAttributes(dir / "missing", attributes));
    EXPECT_EQ(Sys::LastError(), static_cast<Sys::ErrorCode>(ENOENT));
    EXPECT_FALSE(Sys::GetAttributes(dir / "file/below", attributes));
    EXPECT_EQ(Sys::LastError(), static_cast<Sys::ErrorCode>(ENOTDIR));
}

std::map<std::string, Sys::FindEntry> FindAll(const std::string& pattern) {
    std::map<std::string, Sys::FindEntry> found;
    Sys::FindEntry entry;
    Sys::FindHandle handle = Sys::FindFirst(pattern, entry);
    EXPECT_NE(handle, nullptr) << pattern;
    if (handle == nullptr) {
        return found;
    }
    do {
        EXPECT_TRUE(found.emplace(entry.name, entry).second) << "reported twice: " << entry.name;
    } while (Sys::FindNext(handle, entry));
    EXPECT_EQ(Sys::LastError(), 0u) << "the end of a search is no error";
    Sys::FindClose(handle);
    return found;
}

TEST_F(SysEntryKinds, FindReportsEveryNameWithItsKind) {
    const auto found = FindAll(dir / "*");
    ASSERT_EQ(found.size(), 7u);
    for (const char* name : {".", "..", "dir"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(found.count(name), 1u);
        EXPECT_TRUE(found.at(name).kindKnown);
        EXPECT_TRUE(found.at(name).directory);
        EXPECT_FALSE(found.at(name).link);
    }
    EXPECT_TRUE(found.at("file").kindKnown);
    EXPECT_FALSE(found.at("file").directory);
    EXPECT_FALSE(found.at("file").link);
    for (const char* name : {"linkToFile", "linkToDir", "dangling"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(found.at(name).link);
        EXPECT_FALSE(found.at(name).kindKnown) << "a link's kind is the caller's question";
    }
}

TEST_F(SysEntryKinds, FindStarAloneSearchesTheCurrentDirectory) {
    const fs::path previous = fs::current_path();
    fs::current_path(dir.Path() / "dir");
    WriteFile("only", "");
    const auto found = FindAll("*");
    fs::current_path(previous);
    std::vector<std::string> names;
    for (const auto& entry : found) {
        names.push_back(entry.first);
    }
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "only"}));
}

TEST_F(SysEntryKinds, FindThatCannotStartGivesNullHandleAndError) {
    struct Row {
        std::string pattern;
        int error;
    };
    const Row rows[] = {{dir / "missing/*", ENOENT},
                        {dir / "file/*", ENOTDIR},
                        {dir / "dir/", EINVAL},
                        {dir / "di*", EINVAL}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pattern);
        Sys::FindEntry entry;
        Sys::SetLastError(0);
        EXPECT_EQ(Sys::FindFirst(row.pattern, entry), nullptr);
        EXPECT_EQ(Sys::LastError(), static_cast<Sys::ErrorCode>(row.error));
    }
    Sys::FindClose(nullptr); // harmless, like closing an invalid search
}

TEST(SysFiles, CreateAndRemoveDirectory) {
    TempDir dir;
    const std::string made = dir / "made";
    EXPECT_TRUE(Sys::CreateDirectory(made));
    EXPECT_TRUE(fs::is_directory(made));
    EXPECT_FALSE(Sys::CreateDirectory(made));
    EXPECT_EQ(Sys::LastError(), static_cast<Sys::ErrorCode>(EEXIST));
    EXPECT_FALSE(Sys::CreateDirectory(dir / "missing/level"));
    EXPECT_EQ(Sys::LastError(), static_cast<Sys::ErrorCode>(ENOENT));

    WriteFile(made + "/inside", "");
    EXPECT_FALSE(Sys::RemoveDirectory(made));
    EXPECT_EQ(Sys::LastError(), static_cast<Sys::ErrorCode>(ENOTEMPTY));
    fs::remove(made + "/inside");
    EXPECT_TRUE(Sys::RemoveDirectory(made));
    EXPECT_FALSE(fs::exists(made));
}

TEST(SysFiles, DeleteFileRemovesFilesAndLinksButNotDirectories) {
    TempDir dir;
    WriteFile(dir / "target", "kept");
    fs::create_symlink(dir / "target", dir / "link");
    fs::create_directory(dir / "dir");

    EXPECT_TRUE(Sys::DeleteFile(dir / "link"));
    EXPECT_FALSE(fs::is_symlink(dir / "link"));
    EXPECT_EQ(ReadFile(dir / "target"), "kept") << "the link's target stays";
    EXPECT_TRUE(Sys::DeleteFile(dir / "target"));
    EXPECT_FALSE(fs::exists(dir / "target"));
    EXPECT_FALSE(Sys::DeleteFile(dir / "dir"));
    EXPECT_NE(Sys::LastError(), 0u);
    EXPECT_TRUE(fs::is_directory(dir / "dir"));
    EXPECT_FALSE(Sys::DeleteFile(dir / "missing"));
    EXPECT_EQ(Sys::LastError(), static_cast<Sys::ErrorCode>(ENOENT));
}

mode_t Permissions(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

TEST(SysFiles, CopyFileWritesContentAndPermissionsOverAnyExistingFile) {
    TempDir dir;
    const std::string source = dir / "source";
    std::string content(200000, '\0'); // more than one buffer, with bytes of every value
    for (std::size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<char>(i * 7);
    }
    WriteFile(source, content);
    ::chmod(source.c_str(), 0777); // beyond what the usual umask lets a new file have

    EXPECT_TRUE(Sys::CopyFile(source, dir / "new"));
    EXPECT_EQ(ReadFile(dir / "new"), content);
    EXPECT_EQ(Permissions(dir / "new"), 0777u);

    WriteFile(dir / "existing", std::string(500000, 'x'));
    ::chmod((dir / "existing").c_str(), 0600);
    EXPECT_TRUE(Sys::CopyFile(source, dir / "existing"));
    EXPECT_EQ(ReadFile(dir / "existing"), content) << "the longer old content is cut";
    EXPECT_EQ(Permissions(dir / "existing"), 0777u);
}

TEST(SysFiles, CopyFileFailuresLeaveTheDestinationAlone) {
    TempDir dir;
    WriteFile(dir / "source", "data");
    fs::create_directory(dir / "dir");
    struct Row {
        const char* what;
        std::string from;
        std::string to;
        int error;
    };
    const Row rows[] = {
        {"source missing", dir / "missing", dir / "out", ENOENT},
        {"source is a directory", dir / "dir", dir / "out", EISDIR},
        {"destination directory missing", dir / "source", dir / "none/out", ENOENT},
        {"destination is a directory", dir / "source", dir / "dir", EISDIR},
        {"onto itself", dir / "source", dir / "source", EINVAL},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Sys::SetLastError(0);
        EXPECT_FALSE(Sys::CopyFile(row.from, row.to));
        EXPECT_EQ(Sys::LastError(), static_cast<Sys::ErrorCode>(row.error));
    }
    EXPECT_FALSE(fs::exists(dir / "out"));
    EXPECT_EQ(ReadFile(dir / "source"), "data");
}

unsigned lastSleep = 0;
int sleeps = 0;
void RecordSleep(unsigned milliseconds) {
    lastSleep = milliseconds;
    ++sleeps;
}

TEST(SysSleep, SeamReplacesAndRestoresTheRealSleep) {
    const Sys::SleepFunction real = Sys::SetSleepFunction(&RecordSleep);
    ASSERT_NE(real, nullptr);
    Sys::Sleep(640);
    EXPECT_EQ(sleeps, 1);
    EXPECT_EQ(lastSleep, 640u);

    EXPECT_EQ(Sys::SetSleepFunction(nullptr), &RecordSleep);
    Sys::Sleep(0);
    EXPECT_EQ(sleeps, 1) << "null restores the real sleep";
    EXPECT_EQ(Sys::SetSleepFunction(real), real);
}

TEST(SysEnvironment, SetGetAndMissing) {
    const std::string name = "ORVANE_SYS_TEST_VARIABLE";
    ::unsetenv(name.c_str());
    std::string value = "untouched";
    EXPECT_FALSE(Sys::GetEnvironment(name, value));
    EXPECT_EQ(value, "untouched");

    ASSERT_TRUE(Sys::SetEnvironment(name, "a:b c"));
    ASSERT_TRUE(Sys::GetEnvironment(name, value));
    EXPECT_EQ(value, "a:b c");
    ASSERT_TRUE(Sys::SetEnvironment(name, ""));
    EXPECT_TRUE(Sys::GetEnvironment(name, value)) << "an empty variable is still set";
    EXPECT_EQ(value, "");
    EXPECT_FALSE(Sys::SetEnvironment("BAD=NAME", "x"));
    ::unsetenv(name.c_str());
}

TEST(SysErrors, TextOfAnErrorKeepsTheLastError) {
    Sys::SetLastError(EACCES);
    EXPECT_EQ(Sys::ErrorText(ENOENT), "No such file or directory");
    EXPECT_EQ(Sys::LastError(), static_cast<Sys::ErrorCode>(EACCES));
    EXPECT_NE(Sys::ErrorText(0x100000000ul).find("4294967296"), std::string::npos)
        << "a code beyond the system's range still gets a text";
}

} // namespace
