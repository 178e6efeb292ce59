// Loading real libraries through the platform layer: dependencies found beside the library, in
// the added DLL search directories and in the search-path variable, and every way a load fails.
#include "Sys.h"
#include "SysTestSupport.h"

#include <dlfcn.h>

#include <cerrno>
#include <functional>
#include <memory>

namespace Sys = VELMORA::NEVRA::Platform::Sys;
using SysTest::CopyLibraries;
using SysTest::TempDir;
namespace fs = std::filesystem;

namespace {

using PkgAValue = int (*)();

// Unloads what a test loaded, also when an expectation fails half-way.
class Loaded final {
public:
    explicit Loaded(Sys::ModuleHandle handle) : handle_(handle) {}
    ~Loaded() {
        if (handle_ != nullptr) {
            Sys::FreeLibrary(handle_);
        }
    }
    Loaded(const Loaded&) = delete;
    Loaded& operator=(const Loaded&) = delete;

    Sys::ModuleHandle Get() const { return handle_; }
    bool Free() { return Sys::FreeLibrary(std::exchange(handle_, nullptr)); }

private:
    Sys::ModuleHandle handle_;
};

// Removes an added DLL search directory at the end of a test.
class AddedDirectory final {
public:
    explicit AddedDirectory(const fs::path& directory)
        : cookie_(Sys::AddDllDirectory(directory.string())) {}
    ~AddedDirectory() {
        if (cookie_ != nullptr) {
            Sys::RemoveDllDirectory(cookie_);
        }
    }
    AddedDirectory(const AddedDirectory&) = delete;
    AddedDirectory& operator=(const AddedDirectory&) = delete;

    Sys::DirectoryCookie Cookie() const { return cookie_; }
    bool Remove() { return Sys::RemoveDllDirectory(std::exchange(cookie_, nullptr)); }

private:
    Sys::DirectoryCookie cookie_;
};

void ExpectMissingDependency(const std::string& path, const std::string& dependency) {
    Sys::SetLastError(0);
    Loaded failed(Sys::LoadLibrary(path));
    EXPECT_EQ(failed.Get(), nullptr);
    EXPECT_EQ(Sys::LastError(), static_cast<Sys::ErrorCode>(ENOENT));
    EXPECT_NE(Sys::LoaderErrorText().find(dependency), std::string::npos) << Sys::LoaderErrorText();
}

int CallPkgA(Sys::ModuleHandle module) {
    const auto function = reinterpret_cast<PkgAValue>(Sys::GetSymbol(module, "PkgAValue"));
    return function != nullptr ? function() : -1;
}

// Each test starts without a search-path variable and leaves the one it found.
class SysLibrary : public ::testing::Test {
protected:
    void SetUp() override { ::unsetenv(Sys::SearchPathVariable()); }
    void TearDown() override {
        if (saved_ != nullptr) {
            ::setenv(Sys::SearchPathVariable(), saved_->c_str(), 1);
        } else {
            ::unsetenv(Sys::SearchPathVariable());
        }
    }

    TempDir dir;

private:
    const char* initial_ = std::getenv(Sys::SearchPathVariable());
    std::unique_ptr<std::string> saved_ =
        initial_ != nullptr ? std::make_unique<std::string>(initial_) : nullptr;
};

TEST_F(SysLibrary, DependenciesBesideTheLibraryLoadWithoutRpath) {
    CopyLibraries(dir.Path(), {"PkgA.so", "DepB.so", "DepC.so"});
    const std::string pkgA = dir / "PkgA.so";

    void* plain = ::dlopen(pkgA.c_str(), RTLD_NOW | RTLD_LOCAL);
    EXPECT_EQ(plain, nullptr) << "the plain loader must not find DepB.so by itself";
    if (plain != nullptr) {
        ::dlclose(plain);
    }

    EXPECT_EQ(Sys::FindLoadedModule(pkgA), nullptr);
    Loaded module(Sys::LoadLibrary(pkgA));
    ASSERT_NE(module.Get(), nullptr) << Sys::LoaderErrorText();
    EXPECT_EQ(CallPkgA(module.Get()), 42);
    EXPECT_EQ(Sys::GetSymbol(module.Get(), "NoSuchSymbol"), nullptr);
    EXPECT_EQ(Sys::GetSymbol(nullptr, "PkgAValue"), nullptr);
    EXPECT_EQ(Sys::FindLoadedModule(pkgA), module.Get());
    EXPECT_NE(Sys::FindLoadedModule(dir / "DepB.so"), nullptr);
    EXPECT_NE(Sys::FindLoadedModule(dir / "DepC.so"), nullptr);
    EXPECT_EQ(Sys::FindLoadedModule(pkgA), module.Get()) << "finding holds no reference";

    EXPECT_TRUE(module.Free());
    for (const char* name : {"PkgA.so", "DepB.so", "DepC.so"}) {
        EXPECT_EQ(Sys::FindLoadedModule(dir / name), nullptr)
            << name << " stayed loaded: the layer kept a reference";
    }
}

TEST_F(SysLibrary, DependenciesInAddedDirectoryLoadOnlyWhileItIsAdded) {
    CopyLibraries(dir.Path() / "package", {"PkgA.so"});
    CopyLibraries(dir.Path() / "shared", {"DepB.so", "DepC.so"});
    const std::string pkgA = dir / "package/PkgA.so";

    ExpectMissingDependency(pkgA, "DepB.so");
    AddedDirectory added(dir.Path() / "shared");
    ASSERT_NE(added.Cookie(), nullptr);
    {
        Loaded module(Sys::LoadLibrary(pkgA));
        ASSERT_NE(module.Get(), nullptr) << Sys::LoaderErrorText();
        EXPECT_EQ(CallPkgA(module.Get()), 42);
    }
    ASSERT_TRUE(added.Remove());
    ExpectMissingDependency(pkgA, "DepB.so");
}

TEST_F(SysLibrary, DependenciesInTheSearchPathVariableAsItStandsNow) {
    CopyLibraries(dir.Path() / "package", {"PkgA.so"});
    CopyLibraries(dir.Path() / "shared", {"DepB.so", "DepC.so"});
    ::setenv(Sys::SearchPathVariable(), ("::/nonexistent:" + (dir / "shared")).c_str(), 1);
    Loaded module(Sys::LoadLibrary(dir / "package/PkgA.so"));
    ASSERT_NE(module.Get(), nullptr) << Sys::LoaderErrorText();
    EXPECT_EQ(CallPkgA(module.Get()), 42);
}

TEST_F(SysLibrary, OwnDirectoryComesFirstThenAddedDirectoriesInOrder) {
    struct Row {
        const char* what;
        std::vector<std::string> holders; // directories that hold DepB.so and DepC.so
        std::string expected;             // the one whose DepB.so gets loaded
    };
    const Row rows[] = {
        {"own directory before added ones", {"package", "first", "second"}, "package"},
        {"first added before second", {"first", "second"}, "first"},
        {"second added when first lacks it", {"second"}, "second"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempDir root;
        CopyLibraries(root.Path() / "package", {"PkgA.so"});
        fs::create_directories(root.Path() / "first");
        fs::create_directories(root.Path() / "second");
        for (const std::string& holder : row.holders) {
            CopyLibraries(root.Path() / holder, {"DepB.so", "DepC.so"});
        }
        AddedDirectory first(root.Path() / "first");
        AddedDirectory second(root.Path() / "second");
        Loaded module(Sys::LoadLibrary(root / "package/PkgA.so"));
        ASSERT_NE(module.Get(), nullptr) << Sys::LoaderErrorText();
        for (const std::string& holder : row.holders) {
            EXPECT_EQ(Sys::FindLoadedModule(root / (holder + "/DepB.so")) != nullptr,
                      holder == row.expected)
                << holder;
        }
    }
}

TEST_F(SysLibrary, MissingDependencyNamesItAndLeavesNothingLoaded) {
    CopyLibraries(dir.Path(), {"PkgA.so"});
    ExpectMissingDependency(dir / "PkgA.so", "DepB.so");

    // One level deeper: DepB.so is there, but what it needs is not.
    CopyLibraries(dir.Path(), {"DepB.so"});
    ExpectMissingDependency(dir / "PkgA.so", "DepC.so");
    EXPECT_EQ(Sys::FindLoadedModule(dir / "DepB.so"), nullptr);
    EXPECT_EQ(Sys::FindLoadedModule(dir / "PkgA.so"), nullptr);
}

TEST_F(SysLibrary, NotALibraryFailsWithItsOwnError) {
    const std::string path = dir / "Broken.so";
    struct Row {
        const char* what;
        std::function<void()> make;
        int error;
    };
    const Row rows[] = {
        {"missing file", [] {}, ENOENT},
        {"directory", [&] { fs::create_directory(path); }, EISDIR},
        {"text file", [&] { SysTest::WriteFile(path, "not a library\n"); }, ENOEXEC},
        {"short file",
         [&] {
             SysTest::WriteFile(path, "\x7f"
                                      "ELF");
         },
         ENOEXEC},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove(path);
        row.make();
        Sys::SetLastError(0);
        EXPECT_EQ(Sys::LoadLibrary(path), nullptr);
        EXPECT_EQ(Sys::LastError(), static_cast<Sys::ErrorCode>(row.error));
        EXPECT_NE(Sys::LoaderErrorText().find("Broken.so"), std::string::npos)
            << Sys::LoaderErrorText();
    }
    Sys::SetLastError(0);
    EXPECT_EQ(Sys::LoadLibrary(""), nullptr) << "never the main program";
    EXPECT_NE(Sys::LastError(), 0u);
    EXPECT_EQ(Sys::FindLoadedModule(""), nullptr);
}

TEST_F(SysLibrary, DependencyThatIsNoLibraryIsPassedOver) {
    CopyLibraries(dir.Path(), {"PkgA.so"});
    SysTest::WriteFile(dir / "DepB.so", "not a library");
    CopyLibraries(dir.Path() / "shared", {"DepB.so", "DepC.so"});
    AddedDirectory shared(dir.Path() / "shared");
    Loaded module(Sys::LoadLibrary(dir / "PkgA.so"));
    ASSERT_NE(module.Get(), nullptr) << Sys::LoaderErrorText();
    EXPECT_NE(Sys::FindLoadedModule(dir / "shared/DepB.so"), nullptr);
}

TEST(SysDllDirectories, CookiesAreDistinctAndRemovedOnce) {
    Sys::DirectoryCookie first = Sys::AddDllDirectory("/one");
    Sys::DirectoryCookie second = Sys::AddDllDirectory("/one");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_TRUE(Sys::RemoveDllDirectory(first));
    EXPECT_FALSE(Sys::RemoveDllDirectory(first));
    EXPECT_NE(Sys::LastError(), 0u);
    EXPECT_TRUE(Sys::RemoveDllDirectory(second));
    EXPECT_FALSE(Sys::RemoveDllDirectory(nullptr));

    for (const char* refused : {"", "relative/dir"}) {
        Sys::SetLastError(0);
        EXPECT_EQ(Sys::AddDllDirectory(refused), nullptr) << refused;
        EXPECT_EQ(Sys::LastError(), static_cast<Sys::ErrorCode>(EINVAL));
    }
}

TEST(SysOwnModule, ExecutableAndOwnModuleAreThisTestProgram) {
    const std::string executable = Sys::ExecutablePath();
    ASSERT_FALSE(executable.empty());
    EXPECT_EQ(executable.front(), '/');
    EXPECT_EQ(fs::path(executable), fs::canonical("/proc/self/exe"));
    EXPECT_EQ(Sys::OwnModulePath(), executable);
}

TEST(SysOwnModule, InsideALibraryItIsTheLibraryFileByItsOwnName) {
    TempDir dir;
    CopyLibraries(dir.Path() / "real", {"SysProbe.so"});
    fs::create_directory_symlink(dir.Path() / "real", dir.Path() / "alias");
    Loaded probe(Sys::LoadLibrary(dir / "alias/SysProbe.so"));
    ASSERT_NE(probe.Get(), nullptr) << Sys::LoaderErrorText();
    const auto report = reinterpret_cast<void (*)(char*, unsigned long)>(
        Sys::GetSymbol(probe.Get(), "SysProbeOwnModulePath"));
    ASSERT_NE(report, nullptr);
    char buffer[4096] = {};
    report(buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer), (fs::canonical(dir.Path()) / "real/SysProbe.so").string());
}

} // namespace
