// The search-path variable's value, read and written: an empty element would mean the current
// directory, so it is never read and never written, whatever the value held before.
#include "SearchPathValue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Sys = VELMORA::NEVRA::Platform::Sys;

namespace {

using List = std::vector<std::string>;

TEST(SearchPathValue, SplitLeavesOutEmptyElements) {
    const struct {
        const char* value;
        List expected;
    } rows[] = {
        {"", {}},
        {":", {}},
        {"/a", {"/a"}},
        {"::/a::/b:", {"/a", "/b"}},
        {"/a:/a", {"/a", "/a"}},
        {"rel:/a b", {"rel", "/a b"}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Sys::SplitSearchPath(row.value, ':'), row.expected) << row.value;
    }
    EXPECT_EQ(Sys::SplitSearchPath("C:\\a;;D:\\b", ';'), (List{"C:\\a", "D:\\b"}));
}

TEST(SearchPathValue, PrefixGoesInFrontAndNoEmptyElementIsWritten) {
    const struct {
        List directories;
        const char* value;
        const char* expected;
    } rows[] = {
        {{"/app/"}, "", "/app/"},
        {{"/app/"}, "/old", "/app/:/old"},
        {{"/a", "", "/b"}, "/old", "/a:/b:/old"},
        // A bare library name has no directory: only the old value's empty elements go.
        {{""}, "::/x::/y:", "/x:/y"},
        {{}, "/x", "/x"},
        {{""}, "", ""},
        {{"/x"}, "/x", "/x:/x"},
        {{"/a"}, ":", "/a"},
        // A folder name with the delimiter in it cannot stay one element; cut, it leaves none
        // empty.
        {{"/odd::name/"}, "/old", "/odd:name/:/old"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Sys::SearchPathWithPrefix(row.directories, row.value, ':'), row.expected)
            << row.value;
    }
    EXPECT_EQ(Sys::SearchPathWithPrefix({"C:\\app"}, ";D:\\b;", ';'), "C:\\app;D:\\b");
}

} // namespace
