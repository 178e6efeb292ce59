// The entry/exit guard: exit actions run on every way out, innermost first.
#include "PhaseScope.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace VELMORA::NEVRA::Platform {
namespace {

TEST(PhaseScope, MovedScopeEndsOnce) {
    int exits = 0;
    {
        PhaseScope first([] {}, [&exits] { ++exits; });
        PhaseScope second(std::move(first));
    }
    EXPECT_EQ(exits, 1);
}

} // namespace
} // namespace VELMORA::NEVRA::Platform
