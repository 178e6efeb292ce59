// Running kaldor as a process, and copies of the demo installation to run it on.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kaldor::test {

std::string DemoDir();

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs kaldor with `arguments`. The environment is this process's, with `environment` applied
// on top: a value sets the variable, nothing removes it.
ProcessResult RunKaldor(const std::vector<std::string>& arguments,
                        const std::map<std::string, std::optional<std::string>>& environment = {});

// A copy of the demo installation in a fresh temporary folder, with its own user folders and
// a file that the demo packages append to when their entry points run.
class DemoCopy {
public:
    DemoCopy();
    ~DemoCopy();
    DemoCopy(const DemoCopy&) = delete;
    DemoCopy& operator=(const DemoCopy&) = delete;

    std::string Install() const { return root_ + "/install"; }
    std::string Home() const { return root_ + "/home"; }
    std::string Events() const { return root_ + "/events.txt"; }
    std::string Trace() const { return root_ + "/trace.txt"; }
    std::string Path(const std::string& relative) const { return Install() + "/" + relative; }

    // kaldor on this copy: --install, KALDOR_HOME, the events and trace files are set.
    ProcessResult Kaldor(std::vector<std::string> arguments,
                         std::map<std::string, std::optional<std::string>> environment = {}) const;

    std::vector<std::string> EventLines() const;
    void Write(const std::string& relative, const std::string& content) const;
    void Remove(const std::string& relative) const;
    void Copy(const std::string& fromRelative, const std::string& toRelative) const;

private:
    std::string root_;
};

std::string ReadFile(const std::string& path);
std::vector<std::string> ReadLines(const std::string& path);

} // namespace kaldor::test
