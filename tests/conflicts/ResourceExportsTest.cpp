#include "Scenario.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace orvane::test;

namespace {

using Strings = std::vector<std::string>;
using PathListFn = void (*)(std::int32_t, KxResourcePathListListener*);
using CheckPathListFn = void (*)(std::int32_t, KxResourceCheckPathListListener*);

// Every conflict as "name: path path ...". Roots come in the package manager's order, which
// carries no meaning, so paths are sorted.
Strings Flat(std::vector<Conflict> conflicts) {
    Strings flat;
    for (auto& conflict : conflicts) {
        std::sort(conflict.paths.begin(), conflict.paths.end());
        flat.push_back(conflict.name + ":");
        for (const auto& path : conflict.paths) {
            flat.back() += " " + path;
        }
    }
    return flat;
}

// What the export calls handed this listener: "<count> items;" or "<count> at null;" per call.
struct Recorder final : KxResourcePathListListener, KxResourceCheckPathListListener {
    std::string seen;
    bool throwAfter = false;

    void OnPaths(std::uint32_t n, const char* const* paths) override { Record(n, paths); }
    void OnConflicts(std::uint32_t n, const KxResourceConflictItem* items) override {
        Record(n, items);
        if (throwAfter) {
            throw std::runtime_error("the caller's own failure");
        }
    }
    void Record(std::uint32_t n, const void* items) {
        seen += std::to_string(n) + (items != nullptr ? " items;" : " at null;");
    }
};

class ResourceExportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        rootA_ = installation_.AddResourceRoot("bin/KxApp/Resource/Alpha");
        rootB_ = installation_.AddResourceRoot("res/Beta");
        platform_ = std::make_unique<Platform>(installation_);
    }
    void RegisterBoth() {
        for (const auto& [name, root] : {std::pair{"Alpha", rootA_}, {"Beta", rootB_}}) {
            const std::string package = installation_.AddPackage(name, "bin/KxApp");
            ASSERT_EQ(platform_->Reg(package.c_str(), root.c_str()), 0);
        }
    }
    void WriteBoth(const std::string& rel, const std::string& content) {
        installation_.WriteFile(rootA_ + rel, content);
        installation_.WriteFile(rootB_ + rel, content);
    }

    Installation installation_;
    std::string rootA_, rootB_;
    std::unique_ptr<Platform> platform_;
};

TEST_F(ResourceExportsTest, EveryTypeListsItsDirectoryInEveryLiveRootExistingOrNot) {
    RegisterBoth();
    const char* const dirs[] = {
        "Commands/", "Configures/Default/Action/", "Context/", "Forms/", "Icons/", "qrc/", "text/",
        "doc/"};
    ASSERT_FALSE(Exists(rootA_ + "Forms") || Exists(rootB_ + "Forms")); // listed all the same
    for (int type = 0; type < 8; ++type) {
        Strings paths = platform_->PathList(type);
        std::sort(paths.begin(), paths.end());
        EXPECT_EQ(paths, (Strings{rootA_ + dirs[type], rootB_ + dirs[type]})) << type;
        EXPECT_EQ(platform_->LastListenerCalls(), 1) << type;
    }
}

TEST_F(ResourceExportsTest, UnknownTypesAndNoPackagesAnswerOnceWithAnEmptyList) {
    const auto pathList = platform_->Symbol<PathListFn>("KxResourcePathList");
    const auto checkPathList = platform_->Symbol<CheckPathListFn>("KxResourceCheckPathList");
    WriteBoth("Icons/same.png", "x");
    for (const int type : {4, 8, -1, 9, INT_MIN, INT_MAX}) {
        if (type == 8) {
            RegisterBoth(); // the known type above asked while nothing was registered
        }
        Recorder paths, conflicts;
        pathList(type, &paths);
        checkPathList(type, &conflicts);
        EXPECT_EQ(paths.seen, "0 at null;") << type;
        EXPECT_EQ(conflicts.seen, "0 at null;") << type;
    }
    // A missing listener is simply not called.
    pathList(4, nullptr);
    checkPathList(4, nullptr);
}

// Each type checks its own directory of every root (actions: the user's action folder only),
// and every item carries the full path of each occurrence.
TEST_F(ResourceExportsTest, EachTypeReportsTheConflictsOfItsOwnDirectories) {
    RegisterBoth();
    const std::pair<int, std::string> fileTypes[] = {{0, "Commands/"}, {3, "Forms/"}, {4, "Icons/"},
                                                     {5, "qrc/"},      {6, "text/"},  {7, "doc/"}};
    for (const auto& [type, dir] : fileTypes) {
        installation_.WriteFile(rootA_ + dir + "Save.PNG", "a");
        installation_.WriteFile(rootB_ + dir + "save.png", "b");
        installation_.WriteFile(rootB_ + dir + "unique.png", "b");
        EXPECT_EQ(Flat(platform_->CheckPathList(type)),
                  Strings{"save.png: " + rootA_ + dir + "Save.PNG " + rootB_ + dir + "save.png"});
        EXPECT_EQ(platform_->LastListenerCalls(), 1) << type;
    }
    WriteBoth("Context/m.xml", R"(<Menus><Menu name="Edit"/></Menus>)");
    EXPECT_EQ(Flat(platform_->CheckPathList(2)),
              Strings{"Edit: " + rootA_ + "Context/m.xml " + rootB_ + "Context/m.xml"});
    WriteBoth("Configures/Default/Action/x.hcui", R"(<Actions><Action name="Root"/></Actions>)");
    const std::string mine = installation_.Home() + "roles/Engineer/Action/mine.hcui";
    installation_.WriteFile(mine, R"(<Actions><Action name="Run"/><Action name="Run"/></Actions>)");
    EXPECT_EQ(Flat(platform_->CheckPathList(1)), Strings{"Run: " + mine + " " + mine});
}

TEST_F(ResourceExportsTest, AnErrorWhileWalkingOrInTheListenerStaysInsideTheExport) {
    RegisterBoth();
    WriteBoth("Icons/same.png", "x");
    const auto checkPathList = platform_->Symbol<CheckPathListFn>("KxResourceCheckPathList");
    Recorder throwing;
    throwing.throwAfter = true;
    EXPECT_NO_THROW(checkPathList(4, &throwing));
    EXPECT_EQ(throwing.seen, "1 items;");
    // A failure inside the check (here: the host reports a user folder that is no path at
    // all) gives an empty answer rather than an exception or a part of the answer.
    setenv("KALDOR_FOLDER_7", "C:", 1);
    Recorder failed;
    EXPECT_NO_THROW(checkPathList(1, &failed));
    unsetenv("KALDOR_FOLDER_7");
    EXPECT_EQ(failed.seen, "0 at null;");
}

} // namespace
