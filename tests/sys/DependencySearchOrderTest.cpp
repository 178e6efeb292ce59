// The one search order for a library's dependencies, which the layer's own search and kaldor's
// prediction both follow: which directory comes before which.
#include "DependencySearchOrder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Sys = VELMORA::NEVRA::Platform::Sys;

namespace {

using List = std::vector<std::string>;

TEST(DependencySearchOrder, BesideTheLibraryAddedSearchPathRunPathThenSystem) {
    const struct {
        Sys::DependencySources sources;
        List expected;
    } rows[] = {
        {{"/opt/p/bin/Pkg.so", {"/opt/p/bin", "/added"}, {"/env"}, {"/run"}, {"/usr/lib"}},
         {"/opt/p/bin", "/opt/p/bin", "/added", "/env", "/run", "/usr/lib"}},
        // A run path may name the library's own directory in both of the loader's spellings.
        {{"/opt/p/Pkg.so", {}, {}, {"$ORIGIN/../lib", "${ORIGIN}", "/x$ORIGIN$ORIGIN"}, {}},
         {"/opt/p", "/opt/p/../lib", "/opt/p", "/x/opt/p/opt/p"}},
        {{"/Pkg.so", {}, {}, {"$ORIGIN"}, {}}, {"/", "/"}},
        // A bare name has no directory of its own.
        {{"Pkg.so", {"/added"}, {"/env"}, {}, {}}, {"/added", "/env"}},
        {{"", {}, {}, {}, {}}, {}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Sys::DependencySearchOrder(row.sources), row.expected) << row.sources.library;
    }
}

} // namespace
