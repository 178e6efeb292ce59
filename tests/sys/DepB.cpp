// The middle of the test chain PkgA -> DepB -> DepC. It counts its loads in the environment, so a
// test can see a load that left no other trace.
#include <cstdlib>
#include <string>

extern "C" int DepCValue();

extern "C" int DepBValue() {
    return DepCValue() + 35;
}

namespace {

const char* const loadCounter = "SYS_TEST_DEPB_LOADS";

struct CountLoad {
    CountLoad() {
        const char* value = std::getenv(loadCounter);
        const int loads = value != nullptr ? std::atoi(value) : 0;
        setenv(loadCounter, std::to_string(loads + 1).c_str(), 1);
    }
} countLoad;

} // namespace
