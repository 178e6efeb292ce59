// Counts of a program's work that do not move with the machine's load, where its times move by a
// fifth: the system calls it makes (strace -f -c) and the user-space instructions it runs
// (callgrind). The benchmarks print them beside their times; the counting test holds them to
// the budgets of bench/budgets.txt.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace orvane::bench {

[[noreturn]] void Fail(const std::string& what);

// Runs a program (searched on PATH) and returns what it printed on standard output; fails the
// benchmark on a non-zero exit.
std::string Run(const std::vector<std::string>& argv);

struct WorkCounts {
    std::map<std::string, double> calls; // by system call
    double syscalls = 0;
    double instructions = 0;

    double Calls(const std::string& name) const;
};

// The counts of one run of `argv`, the program's children included.
WorkCounts Count(const std::vector<std::string>& argv);
// What one unit of work adds: (many - one) / units, so that what every run does once (loading
// the program and its libraries) drops out.
WorkCounts PerUnit(const WorkCounts& many, const WorkCounts& one, double units);
// The system calls that come to at least `least` per unit, most first, as "name 3.0, …".
std::string CallList(const WorkCounts& counts, double least);

// The budgets file: one "name value" a line, '#' starts a comment. A figure fails its budget
// when it exceeds it by more than the tolerance (5 %): counts do not drift, but a library
// update may move them a little.
class Budgets {
public:
    explicit Budgets(const std::string& file);
    // Prints the figure against its budget; false when it is over. A name without a budget
    // fails: a figure nobody holds to anything is not guarded.
    bool Check(const std::string& name, double value) const;

private:
    std::string file_;
    std::map<std::string, double> values_;
};

} // namespace orvane::bench
