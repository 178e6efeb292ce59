#include "Scenario.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace orvane::test;

namespace {

using Strings = std::vector<std::string>;

// Every conflict as "name: path path ...". Roots come in the package manager's order, which
// carries no meaning, so paths are sorted.
Strings Flat(std::vector<Conflict> conflicts) {
    Strings flat;
    for (auto& [name, paths] : conflicts) {
        std::sort(paths.begin(), paths.end());
        flat.push_back(name + ":");
        for (const auto& path : paths) {
            flat.back() += " " + path;
        }
    }
    return flat;
}

class ResourceExportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto& [name, root] : {std::pair{"Alpha", rootA_}, {"Beta", rootB_}}) {
            ASSERT_EQ(
                platform_->Reg(installation_.AddPackage(name, "bin/KxApp").c_str(), root.c_str()),
                0);
        }
    }
    void WriteBoth(const std::string& rel, const std::string& content) {
        installation_.WriteFile(rootA_ + rel, content);
        installation_.WriteFile(rootB_ + rel, content);
    }

    Installation installation_;
    std::string rootA_ = installation_.AddResourceRoot("bin/KxApp/Resource/Alpha");
    std::string rootB_ = installation_.AddResourceRoot("res/Beta");
    std::unique_ptr<Platform> platform_ = std::make_unique<Platform>(installation_);
};

// Each type lists and checks its own directory of every root (actions: the user's action folder
// only), and every item carries the full path of each occurrence.
TEST_F(ResourceExportsTest, EachTypeListsAndChecksItsOwnDirectoryOfEveryLiveRoot) {
    std::string dirs[] = {
        "Commands/", "Configures/Default/Action/", "Context/", "Forms/", "Icons/", "qrc/", "text/",
        "doc/"};
    for (std::string& dir : dirs) {
        dir = Native(dir);
    }
    ASSERT_FALSE(Exists(rootA_ + "Forms") || Exists(rootB_ + "Forms")); // listed all the same
    for (int type = 0; type < 8; ++type) {
        Strings paths = platform_->PathList(type);
        std::sort(paths.begin(), paths.end());
        EXPECT_EQ(paths, (Strings{rootA_ + dirs[type], rootB_ + dirs[type]})) << type;
        EXPECT_EQ(platform_->LastListenerCalls(), 1) << type;
    }
    for (const int type : {0, 3, 4, 5, 6, 7}) {
        installation_.WriteFile(rootA_ + dirs[type] + "Save.PNG", "a");
        installation_.WriteFile(rootB_ + dirs[type] + "save.png", "b");
        EXPECT_EQ(Flat(platform_->CheckPathList(type)),
                  Strings{"save.png: " + rootA_ + dirs[type] + "Save.PNG " + rootB_ + dirs[type] +
                          "save.png"});
    }
    WriteBoth("Context/m.xml", R"(<Menus><Menu name="Edit"/></Menus>)");
    const std::string menus = Native("Context/m.xml");
    EXPECT_EQ(Flat(platform_->CheckPathList(2)),
              Strings{"Edit: " + rootA_ + menus + " " + rootB_ + menus});
    WriteBoth("Configures/Default/Action/x.hcui", R"(<Actions><Action name="Root"/></Actions>)");
    const std::string mine = installation_.Home() + Native("roles/Engineer/Action/mine.hcui");
    installation_.WriteFile(mine, R"(<Actions><Action name="Run"/><Action name="Run"/></Actions>)");
    EXPECT_EQ(Flat(platform_->CheckPathList(1)), Strings{"Run: " + mine + " " + mine});
}

} // namespace
