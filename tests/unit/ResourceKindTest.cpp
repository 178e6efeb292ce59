#include "ResourceKind.h"
#include "Sys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

using namespace VELMORA::NEVRA::Platform;

namespace {

std::string Native(std::string text) {
    std::replace(text.begin(), text.end(), '\\', Sys::NativeSeparator());
    return text;
}

} // namespace

// Every kind below a root, whichever way the root is written; the names keep their case.
TEST(ResourceKindTest, EveryKindHasItsPlaceBelowTheRoot) {
    const std::pair<ResourceKind, const char*> rows[] = {
        {ResourceKind::Icons, "Icons\\"},
        {ResourceKind::Text, "text\\"},
        {ResourceKind::Languages, "Languages\\"},
        {ResourceKind::Forms, "Forms\\"},
        {ResourceKind::Commands, "Commands\\"},
        {ResourceKind::Qrc, "qrc\\"},
        {ResourceKind::Context, "Context\\"},
        {ResourceKind::DefaultActions, "Configures\\Default\\Action\\"},
        {ResourceKind::Data, "data\\"},
        {ResourceKind::Doc, "doc\\"},
        {ResourceKind::CustomLibrary, "Library\\custom\\"},
        {ResourceKind::NonCustomLibrary, "Library\\noncustom\\"},
        {ResourceKind::Supp, "supp\\"},
        {ResourceKind::DefaultControls, "Configures\\Default\\Controls\\"},
        {ResourceKind::BrowserProfile, "Profile\\simbrowser_profile.json"},
    };
    for (const auto& [kind, relative] : rows) {
        SCOPED_TRACE(relative);
        for (const char* root : {"C:\\p\\R", "C:\\p\\R\\", "C:/p/R"}) {
            EXPECT_EQ(ResourceDir(root, kind), Native(std::string("C:\\p\\R\\") + relative));
        }
        // Without a root the place is relative, never below the file system's root.
        EXPECT_EQ(ResourceDir("", kind), Native(relative));
    }
}

TEST(ResourceKindTest, AValueThatNamesNoKindHasNoPlace) {
    for (const int value : {-1, 15, 1000}) {
        EXPECT_EQ(ResourceDir("C:\\p\\R", static_cast<ResourceKind>(value)), "") << value;
    }
}
