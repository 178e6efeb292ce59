// Work that may crash, hang or change the process for good runs in a child process, so that the
// test program outlives it and the next test starts from a clean process. On Windows, which
// cannot fork, it runs in the test's own process (ChildProcessWin32.cpp says why that holds).
#pragma once

#include <functional>
#include <string>

namespace orvane::test {

struct ChildResult {
    bool finished = false; // it returned and the child exited with 0
    std::string output;    // what `work` returned
    std::string failure;   // why the child did not finish
};

// Runs `work` in a child process and collects the text it returns. A child still running after
// two minutes is taken as hanging and killed.
ChildResult RunInChild(const std::function<std::string()>& work);

// Root, too, is kept out of a folder without permissions once the capabilities that override
// them are gone; false when this process cannot give them up. For a child process: it lasts.
bool DropPermissionOverride();

} // namespace orvane::test
