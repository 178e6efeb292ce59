#include "WorkCounts.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

namespace orvane::bench {

namespace fs = std::filesystem;

namespace {

// A count may exceed its budget by this much before it fails.
constexpr double kTolerance = 0.05;

// A scratch folder for the tools' reports, removed with the object.
class ScratchDir final {
public:
    ScratchDir() {
        std::string pattern = (fs::temp_directory_path() / "orvane-counts-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            Fail("cannot create a scratch folder");
        }
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code error;
        fs::remove_all(path_, error);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string File(const char* name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string ReadText(const std::string& file) {
    std::ifstream in(file);
    if (!in) {
        Fail("cannot read " + file);
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// strace -c -U name,calls: a header, a rule, "name calls" rows, a rule and the total.
void ReadSyscallTable(const std::string& file, WorkCounts& counts) {
    std::istringstream in(ReadText(file));
    std::string line;
    bool total = false;
    while (std::getline(in, line)) {
        std::istringstream row(line);
        std::string name;
        double calls = 0;
        if (!(row >> name >> calls) || name == "syscall" || name.front() == '-') {
            continue;
        }
        if (name == "total") {
            counts.syscalls = calls;
            total = true;
        } else {
            counts.calls[name] = calls;
        }
    }
    if (!total) {
        Fail("strace wrote no total into " + file);
    }
}

void ReadInstructionTotal(const std::string& file, WorkCounts& counts) {
    std::istringstream in(ReadText(file));
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("totals:", 0) == 0) {
            counts.instructions = std::strtod(line.c_str() + 7, nullptr);
            return;
        }
    }
    Fail("callgrind wrote no total into " + file);
}

std::vector<std::string> Prefixed(std::vector<std::string> tool,
                                  const std::vector<std::string>& argv) {
    tool.insert(tool.end(), argv.begin(), argv.end());
    return tool;
}

} // namespace

void Fail(const std::string& what) {
    std::fprintf(stderr, "orvane benchmark: %s\n", what.c_str());
    std::exit(1);
}

std::string Run(const std::vector<std::string>& argv) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) {
        Fail("pipe failed");
    }
    const pid_t child = ::fork();
    if (child < 0) {
        Fail("fork failed");
    }
    if (child == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        std::vector<char*> args;
        for (const auto& arg : argv) {
            args.push_back(const_cast<char*>(arg.c_str()));
        }
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        std::_Exit(127);
    }
    ::close(pipeEnds[1]);
    std::string output;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0) {
        output.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::string command;
        for (const auto& arg : argv) {
            command += (command.empty() ? "" : " ") + arg;
        }
        Fail(command + (WIFEXITED(status) && WEXITSTATUS(status) == 127 ? ": cannot be started"
                                                                        : ": failed"));
    }
    return output;
}

double WorkCounts::Calls(const std::string& name) const {
    const auto it = calls.find(name);
    return it == calls.end() ? 0 : it->second;
}

WorkCounts Count(const std::vector<std::string>& argv) {
    const ScratchDir scratch;
    WorkCounts counts;
    const std::string table = scratch.File("strace.txt");
    Run(Prefixed({"strace", "-f", "-c", "-U", "name,calls", "-o", table, "--"}, argv));
    ReadSyscallTable(table, counts);
    const std::string profile = scratch.File("callgrind.out");
    Run(Prefixed({"valgrind", "--tool=callgrind", "-q", "--callgrind-out-file=" + profile,
                  "--trace-children=no"},
                 argv));
    ReadInstructionTotal(profile, counts);
    return counts;
}

WorkCounts PerUnit(const WorkCounts& many, const WorkCounts& one, double units) {
    WorkCounts per;
    per.syscalls = (many.syscalls - one.syscalls) / units;
    per.instructions = (many.instructions - one.instructions) / units;
    for (const auto& [name, calls] : many.calls) {
        per.calls[name] = (calls - one.Calls(name)) / units;
    }
    for (const auto& [name, calls] : one.calls) {
        if (many.calls.count(name) == 0) {
            per.calls[name] = -calls / units;
        }
    }
    return per;
}

std::string CallList(const WorkCounts& counts, double least) {
    std::vector<std::pair<double, std::string>> sorted;
    for (const auto& [name, calls] : counts.calls) {
        if (calls >= least) {
            sorted.emplace_back(calls, name);
        }
    }
    std::sort(sorted.rbegin(), sorted.rend());
    std::string list;
    for (const auto& [calls, name] : sorted) {
        char figure[32];
        std::snprintf(figure, sizeof figure, " %.2f", calls);
        list += (list.empty() ? "" : ", ") + name + figure;
    }
    return list;
}

Budgets::Budgets(const std::string& file) : file_(file) {
    std::istringstream in(ReadText(file));
    std::string line;
    while (std::getline(in, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream row(line);
        std::string name;
        double value = 0;
        if (row >> name >> value) {
            values_[name] = value;
        }
    }
}

bool Budgets::Check(const std::string& name, double value) const {
    const auto it = values_.find(name);
    if (it == values_.end()) {
        std::printf("%-44s %14.2f   no budget in %s: FAILED\n", name.c_str(), value, file_.c_str());
        return false;
    }
    const bool over = value > it->second * (1 + kTolerance);
    std::printf("%-44s %14.2f   budget %12.2f%s\n", name.c_str(), value, it->second,
                over ? "   OVER BUDGET (more than 5 %): FAILED" : "");
    return !over;
}

} // namespace orvane::bench
