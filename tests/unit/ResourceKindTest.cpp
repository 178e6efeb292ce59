#include "ResourceKind.h"
#include "Sys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace VELMORA::NEVRA::Platform;

// Every kind's place is relative, below the root however the root is written, and its own; the
// names themselves are checked where resources are found in real installations.
TEST(ResourceKindTest, EveryKindHasAPlaceOfItsOwnBelowTheRoot) {
    std::string rooted = "C:\\p\\R\\";
    std::replace(rooted.begin(), rooted.end(), '\\', Sys::NativeSeparator());
    std::vector<std::string> places;
    for (int value = static_cast<int>(ResourceKind::Icons);
         value <= static_cast<int>(ResourceKind::BrowserProfile); ++value) {
        const auto kind = static_cast<ResourceKind>(value);
        const std::string relative = ResourceDir("", kind);
        ASSERT_FALSE(relative.empty()) << value;
        EXPECT_NE(relative.front(), Sys::NativeSeparator()) << relative;
        for (const char* root : {"C:\\p\\R", "C:\\p\\R\\", "C:/p/R"}) {
            EXPECT_EQ(ResourceDir(root, kind), rooted + relative) << root;
        }
        EXPECT_EQ(std::count(places.begin(), places.end(), relative), 0) << relative;
        places.push_back(relative);
    }
    for (const int value : {-1, static_cast<int>(ResourceKind::BrowserProfile) + 1, 1000}) {
        EXPECT_EQ(ResourceDir("C:\\p\\R", static_cast<ResourceKind>(value)), "") << value;
    }
}
