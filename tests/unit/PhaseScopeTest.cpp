// The entry/exit guard: exit actions run on every way out, innermost first.
#include "PhaseScope.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace VELMORA::NEVRA::Platform {
namespace {

TEST(PhaseScope, NestedScopesEndInReverseOrderAlsoWhenAnExceptionLeaves) {
    std::string trace;
    const auto scope = [&trace](const char* name) {
        return PhaseScope([&trace, name] { trace += std::string("+") + name; },
                          [&trace, name] { trace += std::string("-") + name; });
    };
    EXPECT_THROW(
        {
            const PhaseScope outer = scope("a");
            const PhaseScope inner = scope("b");
            throw std::runtime_error("leave");
        },
        std::runtime_error);
    EXPECT_EQ(trace, "+a+b-b-a");
}

TEST(PhaseScope, EmptyEntryActionRaisesTheStandardError) {
    bool exited = false;
    EXPECT_THROW(PhaseScope(PhaseScope::Action(), [&exited] { exited = true; }),
                 std::bad_function_call);
    EXPECT_FALSE(exited) << "a scope whose entry failed never began";
}

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
