#include "Scenario.h"
#include "TestSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
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

// What the export calls handed this listener, "<count>;" or "<count> at null;" per call. It
// throws after every call: the caller's own failure must stay inside the export too.
struct Recorder final : KxResourcePathListListener, KxResourceCheckPathListListener {
    std::string seen;

    void OnPaths(std::uint32_t n, const char* const* p) override { Record(n, p); }
    void OnConflicts(std::uint32_t n, const KxResourceConflictItem* i) override { Record(n, i); }
    void Record(std::uint32_t n, const void* items) {
        seen += std::to_string(n) + (items != nullptr ? ";" : " at null;");
        throw std::runtime_error("the caller's own failure");
    }
};

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

// Every call answers exactly once, an empty answer with a null array: unknown types, a check that
// fails inside (here: the host reports a user folder that is no path at all) rather than giving a
// part of the answer, and a known type once nothing is registered.
TEST_F(ResourceExportsTest, EveryCallAnswersOnceAndNoErrorLeavesTheExport) {
    const auto pathList = platform_->Symbol<decltype(&KxResourcePathList)>("KxResourcePathList");
    const auto checkPathList =
        platform_->Symbol<decltype(&KxResourceCheckPathList)>("KxResourceCheckPathList");
    WriteBoth("Icons/same.png", "x");
    Recorder recorder;
    checkPathList(4, &recorder);
    for (const int type : {8, -1}) {
        pathList(type, &recorder);
        checkPathList(type, &recorder);
    }
    TestSupport::SetVariable("KALDOR_FOLDER_7", "C:");
    checkPathList(1, &recorder);
    TestSupport::UnsetVariable("KALDOR_FOLDER_7");
    platform_->RegClear();
    pathList(4, &recorder);
    checkPathList(4, &recorder);
    EXPECT_EQ(recorder.seen,
              "1;0 at null;0 at null;0 at null;0 at null;0 at null;0 at null;0 at null;");
    // A missing listener is simply not called.
    pathList(4, nullptr);
    checkPathList(4, nullptr);
}

} // namespace
