// What lasts only for start-up and what runs around a package's entry points: the DLL search
// directories, the browser-profile hook, and the build-tree layout of resources.
#include "Scenario.h"
#include "TestSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace orvane::test {
namespace {

using Strings = std::vector<std::string>;

Strings TraceOf(const Installation& install, const std::string& function) {
    Strings lines;
    for (const auto& line : install.Trace()) {
        if (line.rfind(function + "\t", 0) == 0) {
            lines.push_back(line);
        }
    }
    return lines;
}

TEST(Lifetime, LibraryDirectoryServesDependenciesOnlyDuringStartup) {
    Installation install;
    // The dependency lies beside Orvane.so, not beside the packages.
    const std::string dependency = LibraryName("PackageDependency");
    install.WriteFile(install.Bin() + dependency, ReadFile(TestPackagesDir() + "/" + dependency));
    const std::string early = install.AddPackage("NeedsDependency", "bin/apps");
    install.WriteAppList({{early}});
    TestSupport::SearchAddedDirectories();
    Platform platform(install);
    ASSERT_EQ(platform.Init(), 0) << "found through the library's directory\n"
                                  << ::testing::PrintToString(install.Messages());
    ASSERT_EQ(platform.List().size(), 1u);

    platform.RegClear(); // unloads the package and with it the dependency
    EXPECT_EQ(platform.Reg(early.c_str(), nullptr), -1) << "the directory is gone after start-up";
    const Strings messages = install.Messages();
    EXPECT_TRUE(std::any_of(messages.begin(), messages.end(), [&dependency](const std::string& m) {
        return m.find(dependency) != std::string::npos;
    }));
}

TEST(Lifetime, BrowserProfileIsHandedOverAfterEachSuccessfulEntryWhenTheGuiIsLoaded) {
    Installation install;
    const std::string dll = install.AddPackage("Alpha", "bin/KxApp");
    const std::string root = install.AddResourceRoot("bin/KxApp/Alpha");
    const std::string profile = root + Native("Profile/simbrowser_profile.json");
    install.WriteFile(profile, "{}\n");

    Platform platform(install);
    ASSERT_EQ(platform.Reg(dll.c_str(), nullptr), 0);
    platform.RegClear();
    EXPECT_TRUE(TraceOf(install, "KxLoadSimBrowserProfile").empty()) << "never loaded by us";

    std::string error;
    void* gui = TestSupport::OpenLibrary(install.Bin() + LibraryName("KxGui"), error);
    ASSERT_NE(gui, nullptr) << error;
    ASSERT_EQ(platform.Reg(dll.c_str(), nullptr), 0);
    platform.RegClear();
    // A failed Init hands nothing over; the Exit that follows it succeeds and does.
    install.WriteFile(install.AppDir() + "Alpha.txt", "init-return 1\n");
    EXPECT_EQ(platform.Reg(dll.c_str(), nullptr), -1);
    TestSupport::CloseLibrary(gui);
    const std::string handed = "KxLoadSimBrowserProfile\t" + profile + "\t0";
    EXPECT_EQ(TraceOf(install, "KxLoadSimBrowserProfile"), (Strings(3, handed)));
}

TEST(Lifetime, BuildTreeLayoutFindsResourcesInTheSiblingTree) {
    Installation install;
    // <root>/out/Release/Orvane.so takes its resources from <root>/driver/KxApp/Resource/.
    namespace fs = std::filesystem;
    const std::string bin = install.Root() + "/out/Release/";
    fs::create_directories(bin);
    for (const auto& entry : fs::directory_iterator(install.Bin())) {
        if (entry.is_regular_file()) {
            fs::copy_file(entry.path(), bin + entry.path().filename().string());
        }
    }
    fs::create_directories(install.Root() + "/driver/KxApp");
    fs::rename(install.Bin() + "KxApp/Resource", install.Root() + "/driver/KxApp/Resource");
    fs::remove_all(install.Bin());

    Platform platform(bin + LibraryName("Orvane"));
    EXPECT_EQ(platform.Init(), 0);
    EXPECT_TRUE(Exists(install.Home() + "library/Nevra/seed.txt"));
}

} // namespace
} // namespace orvane::test
