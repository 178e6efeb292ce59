#include "Scenario.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace orvane::test {

bool operator==(const Conflict& a, const Conflict& b) {
    return a.name == b.name && a.paths == b.paths;
}

void PrintTo(const Conflict& c, std::ostream* out) {
    *out << c.name << " {";
    for (const auto& p : c.paths) {
        *out << " " << p;
    }
    *out << " }";
}

} // namespace orvane::test

using namespace orvane::test;

namespace {

using PathListFn = void (*)(std::int32_t, KxResourcePathListListener*);
using CheckPathListFn = void (*)(std::int32_t, KxResourceCheckPathListListener*);

// What one export call handed its listener.
struct Answer {
    int calls = 0;
    std::uint32_t count = 0;
    bool nullArray = false;

    void Record(std::uint32_t n, const void* array) {
        ++calls;
        count = n;
        nullArray = array == nullptr;
    }
};

struct RecordingPathListener final : KxResourcePathListListener {
    Answer answer;
    void OnPaths(std::uint32_t count, const char* const* paths) override {
        answer.Record(count, paths);
    }
};

struct RecordingConflictListener final : KxResourceCheckPathListListener {
    Answer answer;
    bool throwAfter = false;
    void OnConflicts(std::uint32_t count, const KxResourceConflictItem* items) override {
        answer.Record(count, items);
        if (throwAfter) {
            throw std::runtime_error("the caller's own failure");
        }
    }
};

// Roots come in the package manager's order, which carries no meaning.
std::vector<Conflict> Sorted(std::vector<Conflict> conflicts) {
    for (auto& c : conflicts) {
        std::sort(c.paths.begin(), c.paths.end());
    }
    return conflicts;
}

class ResourceExportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        rootA_ = installation_.AddResourceRoot("bin/KxApp/Resource/Alpha");
        rootB_ = installation_.AddResourceRoot("res/Beta");
        platform_ = std::make_unique<Platform>(installation_);
    }

    void RegisterBoth() {
        ASSERT_EQ(
            platform_->Reg(installation_.AddPackage("Alpha", "bin/KxApp").c_str(), rootA_.c_str()),
            0);
        ASSERT_EQ(
            platform_->Reg(installation_.AddPackage("Beta", "bin/KxApp").c_str(), rootB_.c_str()),
            0);
    }

    Installation installation_;
    std::string rootA_;
    std::string rootB_;
    std::unique_ptr<Platform> platform_;
};

TEST_F(ResourceExportsTest, EveryTypeListsItsDirectoryInEveryLiveRootExistingOrNot) {
    RegisterBoth();
    const char* const kDirs[] = {
        "Commands/", "Configures/Default/Action/", "Context/", "Forms/", "Icons/", "qrc/", "text/",
        "doc/"};
    for (int type = 0; type < 8; ++type) {
        SCOPED_TRACE(type);
        std::vector<std::string> paths = platform_->PathList(type);
        std::sort(paths.begin(), paths.end());
        EXPECT_EQ(paths, (std::vector<std::string>{rootA_ + kDirs[type], rootB_ + kDirs[type]}));
        EXPECT_EQ(platform_->LastListenerCalls(), 1);
    }
}

TEST_F(ResourceExportsTest, UnknownTypesAndNoPackagesAnswerOnceWithAnEmptyList) {
    const auto pathList = platform_->Symbol<PathListFn>("KxResourcePathList");
    const auto checkPathList = platform_->Symbol<CheckPathListFn>("KxResourceCheckPathList");
    const auto expectEmpty = [&](int type) {
        SCOPED_TRACE(type);
        RecordingPathListener paths;
        pathList(type, &paths);
        EXPECT_EQ(paths.answer.calls, 1);
        EXPECT_EQ(paths.answer.count, 0u);
        EXPECT_TRUE(paths.answer.nullArray);
        RecordingConflictListener conflicts;
        checkPathList(type, &conflicts);
        EXPECT_EQ(conflicts.answer.calls, 1);
        EXPECT_EQ(conflicts.answer.count, 0u);
        EXPECT_TRUE(conflicts.answer.nullArray);
    };
    installation_.WriteFile(rootA_ + "Icons/same.png", "a");
    installation_.WriteFile(rootB_ + "Icons/same.png", "b");
    expectEmpty(4); // nothing registered yet
    RegisterBoth();
    for (int type : {8, -1, 9, INT_MIN, INT_MAX}) {
        expectEmpty(type);
    }
    // A missing listener is simply not called.
    pathList(4, nullptr);
    checkPathList(4, nullptr);
}

TEST_F(ResourceExportsTest, ConflictsAcrossRootsCarryTheFullPathOfEveryOccurrence) {
    RegisterBoth();
    const struct {
        int type;
        const char* dir;
    } kFileTypes[] = {{0, "Commands/"}, {3, "Forms/"}, {4, "Icons/"},
                      {5, "qrc/"},      {6, "text/"},  {7, "doc/"}};
    for (const auto& t : kFileTypes) {
        SCOPED_TRACE(t.type);
        installation_.WriteFile(rootA_ + t.dir + "Save.PNG", "a");
        installation_.WriteFile(rootB_ + t.dir + "save.png", "b");
        installation_.WriteFile(rootB_ + t.dir + "unique.png", "b");
        EXPECT_EQ(Sorted(platform_->CheckPathList(t.type)),
                  (std::vector<Conflict>{
                      {"save.png", {rootA_ + t.dir + "Save.PNG", rootB_ + t.dir + "save.png"}}}));
        EXPECT_EQ(platform_->LastListenerCalls(), 1);
    }

    installation_.WriteFile(rootA_ + "Context/a.xml",
                            R"(<Menus><Menu name="Edit"/><Menu name="Edit"/></Menus>)");
    installation_.WriteFile(rootB_ + "Context/b.xml", R"(<Menus><Menu name="edit"/></Menus>)");
    EXPECT_EQ(
        platform_->CheckPathList(2),
        (std::vector<Conflict>{{"Edit", {rootA_ + "Context/a.xml", rootA_ + "Context/a.xml"}}}));

    // Actions are looked for in the user's action folder, not in the packages' roots.
    installation_.WriteFile(rootA_ + "Configures/Default/Action/x.hcui",
                            R"(<Actions><Action name="Root"/><Action name="Root"/></Actions>)");
    const std::string userActions = installation_.Home() + "roles/Engineer/Action/";
    installation_.WriteFile(userActions + "mine.hcui",
                            R"(<Actions><Action name="Run"/><Action name="Run"/></Actions>)");
    EXPECT_EQ(
        platform_->CheckPathList(1),
        (std::vector<Conflict>{{"Run", {userActions + "mine.hcui", userActions + "mine.hcui"}}}));
}

TEST_F(ResourceExportsTest, AnErrorWhileWalkingOrInTheListenerStaysInsideTheExport) {
    RegisterBoth();
    installation_.WriteFile(rootA_ + "Icons/same.png", "a");
    installation_.WriteFile(rootB_ + "Icons/same.png", "b");
    const auto checkPathList = platform_->Symbol<CheckPathListFn>("KxResourceCheckPathList");

    RecordingConflictListener throwing;
    throwing.throwAfter = true;
    EXPECT_NO_THROW(checkPathList(4, &throwing));
    EXPECT_EQ(throwing.answer.calls, 1);
    EXPECT_EQ(throwing.answer.count, 1u);

    // A failure inside the check (here: the host reports a user folder that is no path at
    // all) gives an empty answer rather than an exception or a part of the answer.
    setenv("KALDOR_FOLDER_7", "C:", 1);
    RecordingConflictListener failed;
    EXPECT_NO_THROW(checkPathList(1, &failed));
    unsetenv("KALDOR_FOLDER_7");
    EXPECT_EQ(failed.answer.calls, 1);
    EXPECT_EQ(failed.answer.count, 0u);
    EXPECT_TRUE(failed.answer.nullArray);
}

} // namespace
