// The platform layer on Windows, against the real system: paths with drive letters and
// backslashes on disk, read-only files, the loader with the altered search path, DLL search
// directories, the version gate and the module's own file.
#include "FileSystem.h"
#include "Sys.h"

#include <gtest/gtest.h>

#include <windows.h>
// windows.h maps these names to their ANSI variants; here they are the layer's.
#undef CopyFile
#undef CreateDirectory
#undef DeleteFile
#undef LoadLibrary
#undef RemoveDirectory

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

using namespace VELMORA::NEVRA::Platform;

namespace {

const std::string libraries = WINDOWS_TEST_LIBRARY_DIR;

std::string ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const std::exception& error) {
        return error.what()[0] != '\0' ? error.what() : "(no text)";
    }
    return std::string();
}

// A fresh folder under the system's temporary folder, in the system's own spelling
// ("C:\users\...\Temp\orvane-…\"), removed with everything in it.
class SysWin32 : public ::testing::Test {
protected:
    SysWin32() {
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        root_ = std::string(temp) + "orvane-" + std::to_string(::GetCurrentProcessId()) + "-" +
                std::to_string(::GetTickCount64()) + "\\";
        EXPECT_NE(::CreateDirectoryA(root_.c_str(), nullptr), FALSE);
    }
    ~SysWin32() override {
        // Whatever a test left read-only must not keep the folder from going.
        ::SetFileAttributesA((root_ + "tree\\locked.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
        try {
            RemoveTree(root_, true);
        } catch (const std::exception&) {
        }
    }
    static void Write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string Read(const std::string& path) {
        std::string text;
        std::getline(std::ifstream(path, std::ios::binary), text, '\0');
        return text;
    }
    // Copies built test libraries into `directory`.
    static void CopyLibraries(const std::string& directory,
                              std::initializer_list<const char*> names) {
        CreateDirs(directory);
        for (const char* name : names) {
            ASSERT_NE(
                ::CopyFileA((libraries + "/" + name).c_str(), (directory + name).c_str(), FALSE),
                FALSE)
                << name;
        }
    }

    std::string root_;
};

} // namespace

TEST_F(SysWin32, DriveLetterPathsWithEitherSeparatorWorkOnDisk) {
    ASSERT_EQ(root_[1], ':') << root_;
    std::string forward = root_;
    std::replace(forward.begin(), forward.end(), '\\', '/');

    CreateDirs(forward + "tree/a/b/");
    Write(root_ + "tree\\a\\b\\file.txt", "text");
    EXPECT_TRUE(IsDirectory(root_ + "tree\\a"));
    EXPECT_TRUE(IsRegularFile(forward + "tree/a/b/file.txt"));
    EXPECT_FALSE(IsRegularFile(root_ + "tree\\a"));
    EXPECT_FALSE(IsFileLink(root_ + "tree\\a\\b\\file.txt"));
    EXPECT_EQ(ReadFileBytes(forward + "tree/a/b/file.txt"), "text");
    EXPECT_FALSE(PathExists(root_ + "tree\\a\\b\\file.txt\\")); // a file is no folder
    EXPECT_FALSE(PathExists(root_ + "tree\\missing"));
    EXPECT_NE(ErrorOf([&] { IsDirectory(root_ + "tree\\missing"); }), "");
    EXPECT_FALSE(CreateDir(root_ + "tree\\a\\"));

    CopyEntry(root_ + "tree\\a", root_ + "copy\\");
    EXPECT_EQ(Read(root_ + "copy\\a\\b\\file.txt"), "text");
    std::vector<std::string> listed;
    ListDir(root_ + "copy\\a\\b", listed);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0], root_ + "copy\\a\\b\\file.txt");

    std::string moved = root_ + "copy";
    MoveEntry(moved, root_ + "moved\\");
    EXPECT_TRUE(PathExists(root_ + "moved\\copy\\a\\b\\file.txt"));
    EXPECT_FALSE(PathExists(root_ + "copy"));

    RemoveTree(root_ + "moved\\", true);
    EXPECT_FALSE(PathExists(root_ + "moved"));
}

TEST(SysWin32Devices, ReservedDeviceNamesAreNotRegularFiles) {
    // The system answers for these with attributes of a file; opening one would block or write.
    for (const char* name : {"NUL", "con", "COM1", "lpt9"}) {
        EXPECT_FALSE(IsRegularFile(name)) << name;
        EXPECT_NE(ErrorOf([&] { ReadFileBytes(name); }), "") << name;
    }
    // Below the names, the layer itself refuses what it opened when it is no file on a disk.
    std::string bytes = "untouched";
    EXPECT_FALSE(Sys::ReadFile("NUL", bytes));
    EXPECT_EQ(Sys::LastError(), static_cast<Sys::ErrorCode>(ERROR_BAD_FILE_TYPE));
    EXPECT_EQ(bytes, "untouched");
}

TEST_F(SysWin32, TreeRemovalStopsAtAReadOnlyFileAndNamesIt) {
    CreateDirs(root_ + "tree\\sub\\");
    Write(root_ + "tree\\locked.txt", "keep");
    Write(root_ + "tree\\sub\\plain.txt", "go");
    ASSERT_NE(::SetFileAttributesA((root_ + "tree\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY),
              FALSE);

    const std::string error = ErrorOf([&] { RemoveTree(root_ + "tree", true); });
    EXPECT_NE(error.find("locked.txt"), std::string::npos) << error;
    EXPECT_EQ(Read(root_ + "tree\\locked.txt"), "keep");
    EXPECT_TRUE(PathExists(root_ + "tree"));

    ::SetFileAttributesA((root_ + "tree\\locked.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveTree(root_ + "tree", true);
    EXPECT_FALSE(PathExists(root_ + "tree"));
}

// What the resource-root walk asks before it looks through a folder: missing only when the system
// says so; a name it changes (a trailing dot or space) or cannot tell about is never missing.
TEST_F(SysWin32, AnEntryIsMissingOnlyWhenTheSystemSaysSo) {
    CreateDirs(root_ + "dir\\");
    Write(root_ + "file.txt", "x");
    const std::pair<std::string, bool> rows[] = {
        {root_ + "file.txt", false},
        {root_ + "file.txt\\", false},
        {root_ + "dir\\", false},
        {root_ + "DIR", false},
        {root_ + "missing", true},
        {root_ + "missing\\", true},
        {root_ + "missing\\below", true},
        {root_ + "missing.", false},
        {root_ + "missing ", false},
        {"", false},
        {"NUL", false},
    };
    for (const auto& [path, missing] : rows) {
        EXPECT_EQ(Sys::EntryMissing(path), missing) << path;
    }
}

TEST_F(SysWin32, FilesAreReadWholeAndNothingElseIsRead) {
    const std::string big(3 * 65536 + 7, 'b'); // more than one buffer of the read
    Write(root_ + "big.bin", big);
    std::string bytes = "left over";
    ASSERT_TRUE(Sys::ReadFile(root_ + "big.bin", bytes));
    EXPECT_EQ(bytes, big);
    CreateDirs(root_ + "dir\\");
    for (const std::string& path : {root_ + "dir", root_ + "missing.txt"}) {
        bytes = "untouched";
        Sys::SetLastError(0);
        EXPECT_FALSE(Sys::ReadFile(path, bytes)) << path;
        EXPECT_NE(Sys::LastError(), 0u) << path;
        EXPECT_EQ(bytes, "untouched") << path;
    }
}

// Wine makes no symbolic links (its CreateSymbolicLink reports success and creates nothing), so
// only the refusal of what is no link can be seen here.
TEST_F(SysWin32, CopyingALinkThatIsNotThereCreatesNothing) {
    Sys::SetLastError(0);
    EXPECT_FALSE(Sys::CopyLink(root_ + "missing", root_ + "copy"));
    EXPECT_EQ(Sys::LastError(), static_cast<Sys::ErrorCode>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(PathExists(root_ + "copy"));
}

TEST_F(SysWin32, ASearchCanBeAskedForMoreOnlyWhileItRuns) {
    Sys::FindEntry entry;
    EXPECT_EQ(Sys::FindFirst(root_ + "missing\\*", entry), nullptr);
    Sys::SetLastError(0);
    EXPECT_FALSE(Sys::FindNext(nullptr, entry));
    EXPECT_EQ(Sys::LastError(), static_cast<Sys::ErrorCode>(ERROR_INVALID_HANDLE));
    Sys::FindClose(nullptr);
}

namespace {

std::vector<unsigned> waits;
HANDLE heldFolder = INVALID_HANDLE_VALUE;
void LetGoAtTheThirdWait(unsigned milliseconds) {
    waits.push_back(milliseconds);
    if (waits.size() == 3) {
        ::CloseHandle(heldFolder);
    }
}

} // namespace

// A folder that another program holds open cannot be removed until it lets go: tree removal waits
// through the layer's sleep, which a test replaces, and tries again.
TEST_F(SysWin32, TreeRemovalWaitsForAFolderHeldOpen) {
    CreateDirs(root_ + "held\\");
    heldFolder =
        ::CreateFileA((root_ + "held").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(heldFolder, INVALID_HANDLE_VALUE);
    waits.clear();
    const Sys::SleepFunction previous = Sys::SetSleepFunction(&LetGoAtTheThirdWait);
    const std::string error = ErrorOf([&] { RemoveTree(root_ + "held", true); });
    Sys::SetSleepFunction(previous);
    EXPECT_EQ(error, "");
    EXPECT_EQ(waits, (std::vector<unsigned>{10, 20, 40}));
    EXPECT_FALSE(PathExists(root_ + "held"));
}

class SysWin32Loader : public SysWin32 {};

TEST_F(SysWin32Loader, ADependencyBesideTheLibraryLoadsThroughTheAlteredSearchPath) {
    CopyLibraries(root_ + "pkg\\", {"WinPkg.dll", "WinDep.dll"});
    Sys::LoadFailure failure;
    const Sys::ModuleHandle module = Sys::LoadLibrary(root_ + "pkg\\WinPkg.dll", &failure);
    ASSERT_NE(module, nullptr) << failure.loaderText;
    const auto value = reinterpret_cast<int (*)()>(Sys::GetSymbol(module, "WinPkgValue"));
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value(), 42);
    EXPECT_EQ(Sys::GetSymbol(module, "NoSuchExport"), nullptr);
    EXPECT_EQ(Sys::FindLoadedModule(root_ + "pkg\\WinPkg.dll"), module);
    EXPECT_NE(Sys::FindLoadedModule(root_ + "pkg\\WinDep.dll"), nullptr);
    EXPECT_EQ(Sys::FindLoadedModule(""), nullptr);
    EXPECT_TRUE(Sys::FreeLibrary(module));
    EXPECT_EQ(Sys::FindLoadedModule(root_ + "pkg\\WinPkg.dll"), nullptr);
    EXPECT_FALSE(Sys::FreeLibrary(nullptr));
}

TEST_F(SysWin32Loader, AMissingDependencyIsNamed) {
    CopyLibraries(root_ + "pkg\\", {"WinPkg.dll"});
    Sys::SetLastError(0);
    Sys::LoadFailure failure;
    EXPECT_EQ(Sys::LoadLibrary(root_ + "pkg\\WinPkg.dll", &failure), nullptr);
    EXPECT_EQ(Sys::LastError(), static_cast<Sys::ErrorCode>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(failure.cause, Sys::LoadFailure::Cause::DependencyMissing) << failure.loaderText;
    EXPECT_EQ(failure.subject, "WinDep.dll");

    // The library itself missing is not blamed on a dependency; the earlier answer stays as it was.
    Sys::LoadFailure gone;
    EXPECT_EQ(Sys::LoadLibrary(root_ + "pkg\\Gone.dll", &gone), nullptr);
    EXPECT_EQ(Sys::LastError(), static_cast<Sys::ErrorCode>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(gone.cause, Sys::LoadFailure::Cause::LoaderText) << gone.subject;
    EXPECT_FALSE(gone.loaderText.empty());
    EXPECT_EQ(failure.subject, "WinDep.dll");
}

TEST_F(SysWin32Loader, AnAddedDllDirectoryIsSearchedUntilItIsRemoved) {
    CopyLibraries(root_ + "deps\\", {"WinDep.dll"});
    const auto searchUserDirs = [] {
        const HMODULE module =
            ::LoadLibraryExA("WinDep.dll", nullptr, LOAD_LIBRARY_SEARCH_USER_DIRS);
        if (module != nullptr) {
            ::FreeLibrary(module);
        }
        return module != nullptr;
    };
    ASSERT_FALSE(searchUserDirs());

    const Sys::DirectoryCookie cookie = Sys::AddDllDirectory(root_ + "deps\\");
    ASSERT_NE(cookie, nullptr) << Sys::LastError();
    EXPECT_TRUE(searchUserDirs());
    EXPECT_TRUE(Sys::RemoveDllDirectory(cookie));
    EXPECT_FALSE(searchUserDirs());

    Sys::SetLastError(0);
    EXPECT_EQ(Sys::AddDllDirectory("relative\\folder"), nullptr);
    EXPECT_NE(Sys::LastError(), 0u);
}

// The program's own folder is added the way the platform's is (below, by its wide name); what
// differs is only which module is asked for its file.
TEST_F(SysWin32Loader, TheProgramsOwnDirectoryIsAdded) {
    const Sys::DirectoryCookie cookie = Sys::AddModuleDirectory(Sys::ModuleFile::Executable);
    ASSERT_NE(cookie, nullptr) << Sys::LastError();
    EXPECT_TRUE(Sys::RemoveDllDirectory(cookie));
}

TEST(SysWin32Version, TheGateFollowsTheSystemsVersion) {
    const char* expected = std::getenv("ORVANE_EXPECT_WINDOWS8");
    ASSERT_NE(expected, nullptr) << "the test declares which version the system answers as";
    EXPECT_EQ(Sys::IsOsVersionAtLeast(6, 2, 0), std::string(expected) == "1");
    EXPECT_TRUE(Sys::IsOsVersionAtLeast(6, 1, 0));
    EXPECT_TRUE(Sys::IsOsVersionAtLeast(5, 9, 9));
    EXPECT_FALSE(Sys::IsOsVersionAtLeast(99, 0, 0));
}

TEST_F(SysWin32, TheModulesOwnFileIsFoundByAddress) {
    EXPECT_EQ(Sys::OwnModulePath(), Sys::ExecutablePath());

    CopyLibraries(root_ + "probe\\", {"SysProbe.dll"});
    Sys::LoadFailure failure;
    const Sys::ModuleHandle probe = Sys::LoadLibrary(root_ + "probe\\SysProbe.dll", &failure);
    ASSERT_NE(probe, nullptr) << failure.loaderText;
    const auto ownPath =
        reinterpret_cast<const char* (*)()>(Sys::GetSymbol(probe, "SysProbeOwnModulePath"));
    ASSERT_NE(ownPath, nullptr);
    EXPECT_STRCASEEQ(ownPath(), (root_ + "probe\\SysProbe.dll").c_str());
    EXPECT_TRUE(Sys::FreeLibrary(probe));
}

// The folder's name has letters of no ANSI code page: only its wide name reaches it.
TEST_F(SysWin32Loader, TheModulesOwnDirectoryIsAddedByItsWideName) {
    const std::wstring folder = std::wstring(root_.begin(), root_.end()) + L"\x03A9\x65E5-probe\\";
    ASSERT_NE(::CreateDirectoryW(folder.c_str(), nullptr), FALSE);
    for (const wchar_t* name : {L"SysProbe.dll", L"WinDep.dll"}) {
        const std::wstring from = std::wstring(libraries.begin(), libraries.end()) + L"/" + name;
        ASSERT_NE(::CopyFileW(from.c_str(), (folder + name).c_str(), FALSE), FALSE);
    }
    const HMODULE probe = ::LoadLibraryW((folder + L"SysProbe.dll").c_str());
    ASSERT_NE(probe, nullptr);
    const auto addOwnDirectory = reinterpret_cast<void* (*)()>(
        reinterpret_cast<void (*)()>(::GetProcAddress(probe, "SysProbeAddOwnDirectory")));
    ASSERT_NE(addOwnDirectory, nullptr);

    const Sys::DirectoryCookie cookie = addOwnDirectory();
    ASSERT_NE(cookie, nullptr) << Sys::LastError();
    const HMODULE dependency =
        ::LoadLibraryExW(L"WinDep.dll", nullptr, LOAD_LIBRARY_SEARCH_USER_DIRS);
    EXPECT_NE(dependency, nullptr);
    ::FreeLibrary(dependency);
    EXPECT_TRUE(Sys::RemoveDllDirectory(cookie));
    ::FreeLibrary(probe);
    for (const wchar_t* name : {L"SysProbe.dll", L"WinDep.dll"}) {
        ::DeleteFileW((folder + name).c_str());
    }
    ::RemoveDirectoryW(folder.c_str());
}

TEST(SysWin32Environment, ValuesRoundTripAndAnEmptyValueIsSet) {
    std::string value;
    ASSERT_TRUE(Sys::SetEnvironment("ORVANE_WINDOWS_TEST", "a;b"));
    ASSERT_TRUE(Sys::GetEnvironment("ORVANE_WINDOWS_TEST", value));
    EXPECT_EQ(value, "a;b");
    ASSERT_TRUE(Sys::SetEnvironment("ORVANE_WINDOWS_TEST", ""));
    EXPECT_TRUE(Sys::GetEnvironment("ORVANE_WINDOWS_TEST", value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(Sys::GetEnvironment("ORVANE_WINDOWS_TEST_UNSET", value));
    EXPECT_EQ(Sys::SearchPathVariable(), std::string("path"));
    EXPECT_EQ(Sys::SearchPathDelimiter(), ';');
    EXPECT_EQ(Sys::LibrarySuffix(), std::string(".dll"));
}

// The process's own "path", which every later library search reads: directories go in front,
// and the value never gains an empty element, which would mean the current directory.
TEST(SysWin32Environment, SearchPathGainsDirectoriesInFrontWithoutEmptyElements) {
    std::string saved;
    const bool wasSet = Sys::GetEnvironment("path", saved);
    ASSERT_TRUE(Sys::SetEnvironment("path", ";C:\\old;;"));
    ASSERT_TRUE(Sys::PrependSearchPath({"C:\\app\\", ""}));
    std::string value;
    ASSERT_TRUE(Sys::GetEnvironment("path", value));
    EXPECT_EQ(value, "C:\\app\\;C:\\old");
    ASSERT_TRUE(Sys::PrependSearchPath({""}));
    ASSERT_TRUE(Sys::GetEnvironment("path", value));
    EXPECT_EQ(value, "C:\\app\\;C:\\old");
    if (wasSet) {
        Sys::SetEnvironment("path", saved);
    }
}

TEST(SysWin32Errors, TextsHaveNoLineBreakAndKeepTheLastError) {
    Sys::SetLastError(ERROR_ACCESS_DENIED);
    const std::string text = Sys::ErrorText(ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(Sys::LastError(), static_cast<Sys::ErrorCode>(ERROR_ACCESS_DENIED));
}
