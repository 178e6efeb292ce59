// The middle of the test chain PkgA -> DepB -> DepC. It counts its loads in the environment, so a
// test can see a load that left no other trace.
#include <cstdlib>
#include <string>

extern "C" int DepCValue();

extern "C" int DepBValue() {
    return DepCValue() + 35;
}

static const bool countedLoad = [] {
    const char* loads = std::getenv("SYS_TEST_DEPB_LOADS");
    const int previous = loads != nullptr ? std::atoi(loads) : 0;
    return ::setenv("SYS_TEST_DEPB_LOADS", std::to_string(previous + 1).c_str(), 1) == 0;
}();
