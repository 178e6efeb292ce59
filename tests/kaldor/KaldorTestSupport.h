// Running kaldor as a process, and copies of the demo installation to run it on.
#pragma once

#include "Scenario.h"

#include <QTemporaryDir>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kaldor::test {

using orvane::test::Exists;
using orvane::test::LibraryName;
using orvane::test::Native;
using orvane::test::Portable;
using orvane::test::ReadFile;
using orvane::test::ReadLines;
using Texts = std::vector<std::string>;
// Changes to the inherited environment: a value sets the variable, nothing removes it.
using Environment = std::map<std::string, std::optional<std::string>>;

const std::string DemoDir = KALDOR_DEMO_DIR;

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

ProcessResult RunKaldor(const Texts& arguments, const Environment& environment = {});

// Expects each of `texts` in `said` read in Linux's form (Portable), where "$I" stands for
// `installation`.
void ExpectSays(const std::string& said, Texts texts, const std::string& installation = "");

// A copy of the demo installation in a fresh temporary folder, with its own user folders and
// a file that the demo packages append to when their entry points run.
class DemoCopy final {
public:
    DemoCopy();

    std::string Install() const { return root_ + "/install"; }
    std::string Home() const { return root_ + "/home"; }
    std::string Events() const { return root_ + "/events.txt"; }
    std::string Trace() const { return root_ + "/trace.txt"; }
    std::string Path(const std::string& relative) const { return Install() + "/" + relative; }

    // kaldor on this copy, with every variable a test may set cleared unless given.
    ProcessResult Kaldor(Texts arguments, Environment environment = {}) const;

    // Gives a file of the copy new content, or removes it when there is none.
    void Set(const std::string& relative, const std::optional<std::string>& content) const;

private:
    QTemporaryDir folder_;
    std::string root_;
};

} // namespace kaldor::test
