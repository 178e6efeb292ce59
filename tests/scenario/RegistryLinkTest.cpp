// The registry and a package file reached through a link: the system keeps one module per file,
// whatever name it was loaded by. Links are made on Linux only; Wine makes none.
#include "Scenario.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace orvane::test {
namespace {

TEST(Registry, SameFileUnderALinkIsRefusedAsLoaded) {
    Installation install;
    const std::string dll = install.AddPackage("Alpha", "bin/KxApp");
    const std::string link = install.AppDir() + "AlphaLink.so";
    std::filesystem::create_symlink(dll, link);
    Platform platform(install);
    ASSERT_EQ(platform.Init(), 0);
    ASSERT_EQ(platform.RegEx(dll.c_str(), nullptr, KxExternal), 0);
    EXPECT_EQ(platform.RegEx(link.c_str(), nullptr, KxExternal), -1) << "the file under a link";
    EXPECT_EQ(install.Events(),
              (std::vector<std::string>{"Init Alpha as Alpha", "Init Alpha returns 0"}));
    EXPECT_THAT(install.Messages(), testing::Contains("the dll has been loaded, path=" + link));
}

} // namespace
} // namespace orvane::test
