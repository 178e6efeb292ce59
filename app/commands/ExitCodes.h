// The program's exit codes, for scripts.
#pragma once

namespace kaldor {

constexpr int ExitSuccess = 0;
// Start-up failed, or the check found problems.
constexpr int ExitFailure = 1;
// The command line was wrong.
constexpr int ExitUsage = 2;
// The installation is unusable: no such directory, no Orvane.so, or it cannot be loaded.
constexpr int ExitUnusable = 3;
// Something kaldor did not expect ended it (memory ran out, for one): one line on standard error.
constexpr int ExitUnexpected = 4;
// Start-up or shut-down outlasted run --timeout: a package's call did not come back.
constexpr int ExitTimeout = 5;

} // namespace kaldor
