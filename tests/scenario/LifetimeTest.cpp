// What lasts only for start-up: the DLL search directories; and the build-tree layout of
// resources.
#include "Scenario.h"
#include "TestSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace orvane::test {
namespace {

using Strings = std::vector<std::string>;

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
