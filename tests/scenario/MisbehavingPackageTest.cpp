// Packages are other people's code. Each row is a small package that misbehaves the way real
// packages do; the host must survive it, and the registry must stay right.
// Every row runs in a child process, so a row that ends the host ends only its child and fails.
#include "ChildProcess.h"
#include "Scenario.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

namespace orvane::test {
namespace {

using Strings = std::vector<std::string>;

// What a row saw, one fact a line, with the installation's root written as "$I", in Linux's
// separators and library suffix.
class Facts {
public:
    explicit Facts(const Installation& install) : root_(install.Root()) {}

    void Add(const std::string& fact) { facts_.push_back(Anonymous(fact)); }
    void Reg(Platform& platform, const std::string& dll) {
        Add("Reg " + dll + " = " + std::to_string(platform.Reg(dll.c_str(), nullptr)));
    }
    void List(Platform& platform) {
        for (const auto& entry : platform.List()) {
            Add("List " + std::to_string(entry.ownerId) + " " + std::to_string(entry.id) + " " +
                entry.path);
        }
    }
    const Strings& All() const { return facts_; }

private:
    std::string Anonymous(std::string text) const {
        for (std::size_t at = text.find(root_); at != std::string::npos; at = text.find(root_)) {
            text.replace(at, root_.size(), "$I");
        }
        return Portable(text);
    }

    std::string root_;
    Strings facts_;
};

struct Row {
    const char* name;
    // Sets the installation up (in the test process).
    std::function<void(Installation&)> prepare;
    // Drives the platform (in the child process) and notes what it sees.
    std::function<void(Installation&, Platform&, Facts&)> act;
    Strings facts;
};

std::string App(const Installation& install, const std::string& stem) {
    return install.AppDir() + LibraryName(stem);
}

// Runs a row's platform in a child process; returns its facts, or a fact saying how it died.
Strings RunInChild(const Row& row, Installation& install) {
    const ChildResult run = orvane::test::RunInChild([&] {
        Facts facts(install);
        {
            Platform platform(install);
            row.act(install, platform, facts);
        }
        std::string text;
        for (const auto& fact : facts.All()) {
            text += fact + '\n';
        }
        return text;
    });
    if (!run.finished) {
        return {run.failure};
    }
    Strings facts;
    std::istringstream lines(run.output);
    for (std::string line; std::getline(lines, line);) {
        facts.push_back(line);
    }
    return facts;
}

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

class MisbehavingPackage : public ::testing::TestWithParam<Row> {};

TEST_P(MisbehavingPackage, HostSurvivesAndRegistryStaysRight) {
    const Row& row = GetParam();
    Installation install;
    row.prepare(install);
    EXPECT_EQ(RunInChild(row, install), row.facts);
}

const Row kRows[] = {
    // A package without a folder beside it takes the entry of its name in the shared resource
    // area, whatever kind it is; one that is no folder fails the registration.
    {"SharedAreaEntryOfThePackagesNameIsItsRootWhateverItIs",
     [](Installation& install) {
         install.AddPackage("Alpha", "bin/KxApp");
         install.WriteFile(install.AppDir() + "Resource/Alpha", "a file, not a folder\n");
     },
     [](Installation& install, Platform& platform, Facts& facts) {
         facts.Add("Init = " + std::to_string(platform.Init()));
         facts.Reg(platform, App(install, "Alpha"));
     },
     {"Init = 0", "Reg $I/bin/KxApp/Alpha.so = -1"}},

    {"ReusedIdIsListedOnce",
     [](Installation& install) {
         install.AddPackage("Alpha", "bin/KxApp", "register " + LibraryName("Child") + "\n");
         install.AddPackage("Child", "bin/KxApp");
         // Epsilon waits among the pending children when Gamma unregisters it; Beta, registered
         // next, gets its id.
         install.AddPackage("Gamma", "bin/KxApp",
                            "register " + LibraryName("Epsilon") + "\ndrop " +
                                LibraryName("Epsilon") + "\nregister " + LibraryName("Beta") +
                                "\n");
         install.AddPackage("Epsilon", "bin/KxApp");
         install.AddPackage("Beta", "bin/KxApp");
     },
     [](Installation& install, Platform& platform, Facts& facts) {
         // Ids 1 and 2 are the platform's own packages.
         facts.Add("Init = " + std::to_string(platform.Init()));
         facts.Reg(platform, App(install, "Alpha"));
         platform.UnReg(App(install, "Child").c_str());
         facts.Reg(platform, App(install, "Beta"));
         facts.List(platform);
         platform.RegClear();
         facts.Reg(platform, App(install, "Gamma"));
         facts.List(platform);
     },
     {"Init = 0", "Reg $I/bin/KxApp/Alpha.so = 0", "Reg $I/bin/KxApp/Beta.so = 0",
      "List 3 3 $I/bin/KxApp/Alpha.so", "List 4 4 $I/bin/KxApp/Beta.so",
      "Reg $I/bin/KxApp/Gamma.so = 0", "List 4 4 $I/bin/KxApp/Gamma.so",
      "List 4 3 $I/bin/KxApp/Beta.so"}},

};

INSTANTIATE_TEST_SUITE_P(Packages, MisbehavingPackage, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace orvane::test
