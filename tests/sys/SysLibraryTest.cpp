// Loading real libraries through the platform layer: dependencies found beside the library, in
// the added DLL search directories and in the search-path variable, and every way a load fails.
#include "Sys.h"
#include "SysTestSupport.h"

#include <dlfcn.h>
#include <elf.h>

#include <cerrno>
#include <memory>
#include <vector>

namespace Sys = VELMORA::NEVRA::Platform::Sys;
namespace fs = std::filesystem;

namespace {

// Unload a library and remove an added search directory also when a test fails half-way.
using Loaded = std::unique_ptr<void, bool (*)(Sys::ModuleHandle)>;
using Added = std::unique_ptr<void, bool (*)(Sys::DirectoryCookie)>;

Loaded Load(const std::string& path) {
    return Loaded(Sys::LoadLibrary(path), &Sys::FreeLibrary);
}

Added Add(const fs::path& directory) {
    return Added(Sys::AddDllDirectory(directory.string()), &Sys::RemoveDllDirectory);
}

int CallPkgA(const Loaded& module) {
    const auto function = reinterpret_cast<int (*)()>(Sys::GetSymbol(module.get(), "PkgAValue"));
    return function != nullptr ? function() : -1;
}

void ExpectLoadFails(const std::string& path, int error, const std::string& named) {
    Sys::SetLastError(0);
    EXPECT_EQ(Load(path).get(), nullptr);
    EXPECT_EQ(Sys::LastError(), static_cast<Sys::ErrorCode>(error));
    EXPECT_NE(Sys::LoaderErrorText().find(named), std::string::npos) << Sys::LoaderErrorText();
}

// Each test starts without a search-path variable (the dynamic loader read it at start-up).
class SysLibrary : public SysTest::WithTempDir {
protected:
    void SetUp() override { ::unsetenv(Sys::SearchPathVariable()); }
};

TEST_F(SysLibrary, DependenciesBesideTheLibraryLoadWithoutRpath) {
    CopyLibraries(dir, {"PkgA.so", "DepB.so", "DepC.so"});
    const std::string pkgA = dir / "PkgA.so";
    const Loaded plain(::dlopen(pkgA.c_str(), RTLD_NOW | RTLD_LOCAL), &Sys::FreeLibrary);
    EXPECT_EQ(plain.get(), nullptr) << "the plain loader must not find DepB.so by itself";

    Loaded module = Load(pkgA);
    ASSERT_NE(module.get(), nullptr) << Sys::LoaderErrorText();
    EXPECT_EQ(CallPkgA(module), 42);
    EXPECT_EQ(Sys::FindLoadedModule(pkgA), module.get());
    EXPECT_NE(Sys::FindLoadedModule(dir / "DepB.so"), nullptr);
    EXPECT_NE(Sys::FindLoadedModule(dir / "DepC.so"), nullptr);

    EXPECT_TRUE(Sys::FreeLibrary(module.release()));
    for (const char* name : {"PkgA.so", "DepB.so", "DepC.so"}) {
        EXPECT_EQ(Sys::FindLoadedModule(dir / name), nullptr) << name << " kept loaded";
    }
}

TEST_F(SysLibrary, DependenciesInAnAddedDirectoryOrInTheSearchPathVariableAsItStandsNow) {
    CopyLibraries(dir / "package", {"PkgA.so"});
    CopyLibraries(dir / "shared", {"DepB.so", "DepC.so"});
    const std::string pkgA = dir / "package/PkgA.so";
    ExpectLoadFails(pkgA, ENOENT, "DepB.so");
    Added added = Add(dir / "shared");
    EXPECT_EQ(CallPkgA(Load(pkgA)), 42) << Sys::LoaderErrorText();
    ASSERT_TRUE(Sys::RemoveDllDirectory(added.release()));
    ExpectLoadFails(pkgA, ENOENT, "DepB.so");

    ::setenv(Sys::SearchPathVariable(), ("::/nonexistent:" + (dir / "shared").string()).c_str(), 1);
    EXPECT_EQ(CallPkgA(Load(pkgA)), 42) << Sys::LoaderErrorText();
}

// Beside the library lies a DepB.so that is no library whenever the real one lies elsewhere: the
// search passes over it as the dynamic loader would.
TEST_F(SysLibrary, OwnDirectoryComesFirstThenAddedDirectoriesInOrder) {
    // {directories that hold DepB.so and DepC.so, the one whose DepB.so gets loaded}
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"package", "first", "second"}, "package"},
        {{"first", "second"}, "first"},
        {{"second"}, "second"},
    };
    for (const auto& [holders, expected] : rows) {
        SCOPED_TRACE(expected);
        const fs::path root = dir / expected;
        CopyLibraries(root / "package", {"PkgA.so"});
        WriteFile(root / "package/DepB.so", "not a library");
        for (const std::string& holder : holders) {
            CopyLibraries(root / holder, {"DepB.so", "DepC.so"});
        }
        const Added first = Add(root / "first");
        const Added second = Add(root / "second");
        const Loaded module = Load(root / "package/PkgA.so");
        ASSERT_NE(module.get(), nullptr) << Sys::LoaderErrorText();
        for (const std::string& holder : holders) {
            EXPECT_EQ(Sys::FindLoadedModule(root / holder / "DepB.so") != nullptr,
                      holder == expected)
                << holder;
        }
    }
}

TEST_F(SysLibrary, MissingOrBrokenFilesFailNamingThemAndLeaveNothingLoaded) {
    CopyLibraries(dir, {"PkgA.so", "DepB.so"}); // DepB.so is there, but what it needs is not
    ExpectLoadFails(dir / "PkgA.so", ENOENT, "DepC.so");
    EXPECT_EQ(Sys::FindLoadedModule(dir / "DepB.so"), nullptr);

    const std::string broken = dir / "Broken.so";
    ExpectLoadFails(broken, ENOENT, "Broken.so");
    fs::create_directory(broken);
    ExpectLoadFails(broken, EISDIR, "Broken.so");
    fs::remove(broken);
    for (const char* content : {"not a library\n", ELFMAG}) {
        WriteFile(broken, content);
        ExpectLoadFails(broken, ENOEXEC, "Broken.so");
    }
    Sys::SetLastError(0);
    EXPECT_EQ(Sys::LoadLibrary(""), nullptr) << "never the main program";
    EXPECT_NE(Sys::LastError(), 0u);
    EXPECT_EQ(Sys::FindLoadedModule(""), nullptr);
}

TEST(SysDllDirectories, CookiesAreDistinctAndRemovedOnce) {
    const Sys::DirectoryCookie first = Sys::AddDllDirectory("/one");
    const Sys::DirectoryCookie second = Sys::AddDllDirectory("/one");
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, second);
    EXPECT_TRUE(Sys::RemoveDllDirectory(first));
    EXPECT_FALSE(Sys::RemoveDllDirectory(first));
    EXPECT_TRUE(Sys::RemoveDllDirectory(second));
    EXPECT_EQ(Sys::AddDllDirectory(""), nullptr);
    EXPECT_EQ(Sys::AddDllDirectory("relative/dir"), nullptr) << "only absolute directories";
    EXPECT_EQ(Sys::LastError(), static_cast<Sys::ErrorCode>(EINVAL));
}

} // namespace
