// The main of every test program on Linux: GoogleTest's, and a check that no test leaves the
// process's working directory or environment changed. A test that does fails, and the state is
// put back so that the tests after it run as they would alone.
#include "ProcessState.h"

#include <gtest/gtest.h>

namespace {

class ProcessStateCheck final : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        before_ = TestSupport::ProcessState::Now();
    }
    void OnTestEnd(const ::testing::TestInfo& test) override {
        const auto changes = before_.ChangesTo(TestSupport::ProcessState::Now());
        for (const std::string& change : changes) {
            ADD_FAILURE() << test.test_suite_name() << "." << test.name()
                          << " left the process changed: " << change;
        }
        before_.Restore();
    }

    TestSupport::ProcessState before_ = TestSupport::ProcessState::Now();
};

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new ProcessStateCheck);
    return RUN_ALL_TESTS();
}
