#include "ChildProcess.h"

#include <exception>

namespace orvane::test {

// Windows has no fork, and a fresh process would start the test over: the work runs here. ctest
// runs every test in a process of its own, so a row that ends or hangs this one still fails
// alone, by its exit or by ctest's time limit, without taking other tests along.
ChildResult RunInChild(const std::function<std::string()>& work) {
    ChildResult result;
    try {
        result.output = work();
        result.finished = true;
    } catch (const std::exception& error) {
        result.output = std::string("exception\t") + error.what() + "\n";
        result.finished = true;
    }
    return result;
}

// Nothing to give up: no test on Windows asks for it.
bool DropPermissionOverride() {
    return false;
}

} // namespace orvane::test
