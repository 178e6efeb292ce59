// Loading real libraries through the platform layer: dependencies and bare names found beside
// the library, in the added DLL search directories and in the search-path variable, symbols taken
// only from the module itself, every way a load fails, and the search-path variable's storage.
#include "LoadFailureText.h"
#include "SearchPathValue.h"
#include "Sys.h"
#include "SysTestSupport.h"

#include <dlfcn.h>
#include <elf.h>

#include <malloc.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <memory>

namespace Sys = VELMORA::NEVRA::Platform::Sys;
namespace fs = std::filesystem;

namespace {

// Unload a library and remove an added search directory also when a test fails half-way.
using Loaded = std::unique_ptr<void, bool (*)(Sys::ModuleHandle)>;
using Added = std::unique_ptr<void, bool (*)(Sys::DirectoryCookie)>;

// The text of the latest failed Load on this thread, as the record of a failed import gives it.
thread_local std::string loaderText;

// Loads `path` and, on failure, the text of what went wrong.
Sys::ModuleHandle LoadLibrary(const std::string& path, std::string& text) {
    Sys::LoadFailure failure;
    Sys::ModuleHandle module = Sys::LoadLibrary(path, &failure);
    text = VELMORA::NEVRA::Platform::LoadFailureText(failure);
    return module;
}

Loaded Load(const std::string& path) {
    return Loaded(LoadLibrary(path, loaderText), &Sys::FreeLibrary);
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
    EXPECT_NE(loaderText.find(named), std::string::npos) << loaderText;
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
    ASSERT_NE(module.get(), nullptr) << loaderText;
    EXPECT_EQ(CallPkgA(module), 42);
    EXPECT_EQ(Sys::FindLoadedModule(pkgA), module.get());
    EXPECT_NE(Sys::FindLoadedModule(dir / "DepB.so"), nullptr);
    EXPECT_NE(Sys::FindLoadedModule(dir / "DepC.so"), nullptr);

    EXPECT_TRUE(Sys::FreeLibrary(module.release()));
    for (const char* name : {"PkgA.so", "DepB.so", "DepC.so"}) {
        EXPECT_EQ(Sys::FindLoadedModule(dir / name), nullptr) << name << " kept loaded";
    }
}

// Whether a file is loaded is answered from what the layer has seen of the loader's list, which
// changes behind its back too: a host's own dlopen and dlclose, a file loaded under another name.
TEST_F(SysLibrary, LoadedIsToldByAnyNameOfTheFileWhoeverLoadedIt) {
    CopyLibraries(dir, {"DepC.so"});
    const fs::path file = dir / "DepC.so";
    fs::create_symlink(file, dir / "Link.so");
    fs::create_hard_link(file, dir / "Hard.so");
    fs::copy_file(file, dir / "Copy.so");
    const auto loadedAs = [&](const char* name) { return Sys::FindLoadedModule(dir / name); };
    for (const char* name : {"DepC.so", "Link.so", "Hard.so", "Copy.so", "Missing.so"}) {
        EXPECT_EQ(loadedAs(name), nullptr) << name;
    }
    for (int round = 0; round < 2; ++round) {
        // Loaded past the layer, so that only the loader's list can tell.
        void* handle = ::dlopen((dir / "Link.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << ::dlerror();
        for (const char* name : {"DepC.so", "Link.so", "Hard.so"}) {
            EXPECT_EQ(loadedAs(name), handle) << name << " in round " << round;
        }
        EXPECT_EQ(loadedAs("Copy.so"), nullptr) << "another file with the same bytes";
        ::dlclose(handle);
        for (const char* name : {"DepC.so", "Link.so", "Hard.so"}) {
            EXPECT_EQ(loadedAs(name), nullptr) << name << " unloaded in round " << round;
        }
    }
}

TEST_F(SysLibrary, DependenciesInAnAddedDirectoryOrInTheSearchPathVariableAsItStandsNow) {
    CopyLibraries(dir / "package", {"PkgA.so"});
    CopyLibraries(dir / "shared", {"DepB.so", "DepC.so"});
    const std::string pkgA = dir / "package/PkgA.so";
    ExpectLoadFails(pkgA, ENOENT, "DepB.so");
    Added added = Add(dir / "shared");
    EXPECT_EQ(CallPkgA(Load(pkgA)), 42) << loaderText;
    ASSERT_TRUE(Sys::RemoveDllDirectory(added.release()));
    ExpectLoadFails(pkgA, ENOENT, "DepB.so");

    ::setenv(Sys::SearchPathVariable(), ("::/nonexistent:" + (dir / "shared").string()).c_str(), 1);
    EXPECT_EQ(CallPkgA(Load(pkgA)), 42) << loaderText;
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
    // Cut past its program headers, as a package or as a dependency: the system's loader would
    // map the missing pages all the same, and the process would die of SIGBUS touching them.
    std::ifstream in(fs::path(SYS_TEST_LIBRARY_DIR) / "DepC.so", std::ios::binary);
    const std::string whole{std::istreambuf_iterator<char>(in), {}};
    WriteFile(broken, whole.substr(0, 2048));
    ExpectLoadFails(broken, ENOEXEC, "Broken.so: file too short");
    CopyLibraries(dir / "cut", {"PkgA.so", "DepB.so"});
    WriteFile(dir / "cut/DepC.so", whole.substr(0, 2048));
    ExpectLoadFails(dir / "cut/PkgA.so", ENOEXEC, "DepC.so: file too short");
    Sys::SetLastError(0);
    EXPECT_EQ(Sys::LoadLibrary("", nullptr), nullptr) << "never the main program";
    EXPECT_NE(Sys::LastError(), 0u);
    EXPECT_EQ(Sys::FindLoadedModule(""), nullptr);
}

// Present when a sanitizer replaces the allocator (and keeps freed memory in quarantine).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

// Bytes of the heap in use: what was allocated and not freed yet.
std::size_t HeapBytesInUse() {
    if (__sanitizer_get_current_allocated_bytes != nullptr) {
        return __sanitizer_get_current_allocated_bytes();
    }
    const struct mallinfo2 info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
}

// glibc's setenv keeps every value it ever replaced; the layer frees them, and a reader of the
// value before the latest replacement can still read it.
TEST(SysEnvironment, ReplacedValuesAreFreed) {
    const char* name = "ORVANE_SYS_TEST_GROWING";
    std::string value(100 * 1024, 'x');
    ASSERT_TRUE(Sys::SetEnvironment(name, value));
    const std::size_t before = HeapBytesInUse();
    for (int round = 0; round < 500; ++round) {
        value[static_cast<std::size_t>(round)] = 'y';
        ASSERT_TRUE(Sys::SetEnvironment(name, value));
    }
    EXPECT_LT(HeapBytesInUse() - std::min(before, HeapBytesInUse()), 1u << 20)
        << "500 replacements of 100 KiB";
    ASSERT_TRUE(Sys::SetEnvironment(name, "short"));
    EXPECT_STREQ(std::getenv(name), "short");
    std::string read;
    EXPECT_TRUE(Sys::GetEnvironment(name, read));
    EXPECT_EQ(read, "short");
    EXPECT_FALSE(Sys::SetEnvironment("A=B", "c"));
    ::unsetenv(name);
}

// The entries of the environment that set `name`: putenv finds the one it replaces by name, so a
// rewrite that lost track of it would leave two.
int EnvironmentEntries(const std::string& name) {
    int count = 0;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        count += std::string(*entry).rfind(name + "=", 0) == 0 ? 1 : 0;
    }
    return count;
}

// Every import puts its directory in front of the search path: the value read back is the rule's,
// from one entry, and the storage grows with the value, not with the number of imports. How the
// rule meets values set by others is the next test's.
TEST(SysEnvironment, SearchPathGrowsInFrontAtTheCostOfItsPrefix) {
    const std::string name = Sys::SearchPathVariable();
    std::string saved;
    const bool wasSet = Sys::GetEnvironment(name, saved);
    ::setenv(name.c_str(), "::/old::", 1);
    const std::size_t before = HeapBytesInUse();
    std::string expected = "/old";
    const std::string directory = "/" + std::string(100, 'd') + "/";
    for (int round = 0; round < 2000; ++round) {
        ASSERT_TRUE(Sys::PrependSearchPath({directory}));
        expected = directory + ":" + expected;
        ASSERT_EQ(std::string(std::getenv(name.c_str())), expected) << round;
    }
    EXPECT_EQ(EnvironmentEntries(name), 1);
    EXPECT_LT(HeapBytesInUse() - std::min(before, HeapBytesInUse()), 16 * expected.size())
        << "2000 prefixes of 100 bytes";

    const char* unchanged = std::getenv(name.c_str());
    ASSERT_TRUE(Sys::PrependSearchPath({""}));
    EXPECT_EQ(std::getenv(name.c_str()), unchanged) << "nothing to add sets nothing";

    if (wasSet) {
        ::setenv(name.c_str(), saved.c_str(), 1);
    } else {
        ::unsetenv(name.c_str());
    }
}

} // namespace
