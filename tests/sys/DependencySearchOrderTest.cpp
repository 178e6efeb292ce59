// The one search order for a library's dependencies, which the layer's own search and kaldor's
// prediction both follow: which directory comes before which.
#include "DependencySearchOrder.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace Sys = VELMORA::NEVRA::Platform::Sys;

namespace {

using List = std::vector<std::string>;

// Retracing the Windows loader over an import graph: "C:/p/" holds the package and what lies
// beside it, the standard search finds "sys.dll" and "Deep.dll".
TEST(DependencySearchOrder, MissingImportFollowsTheWindowsLoader) {
    const std::map<std::string, List> imports = {
        {"C:/p/Pkg.dll",
         {"api-ms-win-core-file-l1-1-0.dll", "EXT-MS-win-x.dll", "Loaded.dll", "Beside.dll",
          "sys.dll"}},
        {"C:/p/Beside.dll", {"BESIDE.DLL", "Deep.dll"}},
        {"C:/w/Deep.dll", {"Gone.dll"}},
        {"C:/p/Cycle.dll", {"cycle.dll", "Nothing.dll"}},
    };
    const std::set<std::string> files = {"C:/p/Pkg.dll", "C:/p/Beside.dll", "C:/w/Deep.dll",
                                         "C:/w/sys.dll", "C:/p/Cycle.dll",  "C:/p/cycle.dll"};
    std::set<std::string> loaded = {"Loaded.dll"};
    const Sys::ImportSources sources{
        [&](const std::string& path) { return imports.count(path) ? imports.at(path) : List{}; },
        [&](const std::string& name) { return loaded.count(name) > 0; },
        [&](const std::string& path) { return files.count(path) > 0; },
        [](const std::string& name) {
            return name == "sys.dll" || name == "Deep.dll" ? "C:/w/" + name : std::string();
        }};
    // API sets need no file, Loaded.dll is taken as loaded, BESIDE.DLL is Beside.dll again, and
    // the standard search's Deep.dll imports what is nowhere.
    EXPECT_EQ(Sys::MissingImport("C:/p/Pkg.dll", sources), "Gone.dll");
    EXPECT_EQ(Sys::MissingImport("C:/p/Cycle.dll", sources), "Nothing.dll");
    EXPECT_EQ(Sys::MissingImport("C:/p/Missing.dll", sources), "");
    loaded.insert("Beside.dll");
    EXPECT_EQ(Sys::MissingImport("C:/p/Pkg.dll", sources), "");
    loaded = {};
    EXPECT_EQ(Sys::MissingImport("C:/p/Pkg.dll", sources), "Loaded.dll");
}

} // namespace
