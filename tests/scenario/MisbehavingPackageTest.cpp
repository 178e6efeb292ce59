// Packages are other people's code. Each row is a small package that misbehaves the way real
// packages do; the host must survive it, and the registry and the search path must stay right.
// Every row runs in a child process, so a row that ends the host ends only its child and fails.
#include "ChildProcess.h"
#include "Scenario.h"
#include "TestSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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
    void SearchPath() {
        const std::string value = TestSupport::Variable(TestSupport::SearchVariable());
        Add("search path=" + (value.empty() ? std::string("(unset)") : value));
    }
    const Strings& All() const { return facts_; }

    std::string Anonymous(std::string text) const {
        for (std::size_t at = text.find(root_); at != std::string::npos; at = text.find(root_)) {
            text.replace(at, root_.size(), "$I");
        }
        return Portable(text);
    }

private:
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
    // Records that must be written, in this order, as "LEVEL message" (others may lie between).
    Strings records;
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

    const Facts names(install);
    Strings records;
    for (const auto& record : install.Records()) {
        records.push_back(names.Anonymous(record.level + " " + record.message));
    }
    auto from = records.begin();
    for (const auto& expected : row.records) {
        const auto found = std::find(from, records.end(), expected);
        EXPECT_NE(found, records.end()) << "missing, or out of order: " << expected;
        from = found != records.end() ? found + 1 : from;
    }
}

// The log file starts with OrvaneInit; every row starts the platform first.
const Row kRows[] = {
    {"ExitThatThrowsIsAFailedExit",
     [](Installation& install) {
         install.AddPackage("Alpha", "bin/KxApp", "exit-throw error\n");
         install.AddPackage("Beta", "bin/KxApp", "exit-throw int\n");
         install.AddPackage("Gamma", "bin/KxApp", "init-throw error\n");
     },
     [](Installation& install, Platform& platform, Facts& facts) {
         facts.Add("Init = " + std::to_string(platform.Init()));
         for (const char* stem : {"Alpha", "Beta", "Gamma"}) {
             facts.Reg(platform, App(install, stem));
         }
         platform.UnReg(App(install, "Alpha").c_str());
         platform.UnReg(App(install, "Beta").c_str());
         facts.List(platform);
         facts.Add("Exit = " + std::to_string(platform.Exit()));
     },
     {"Init = 0", "Reg $I/bin/KxApp/Alpha.so = 0", "Reg $I/bin/KxApp/Beta.so = 0",
      "Reg $I/bin/KxApp/Gamma.so = -1", "Exit = 0"},
     {"ERROR App Init failed$I/bin/KxApp/Gamma.so: Gamma gave up", "INFO init=1 return=-1",
      "ERROR App Exit failed$I/bin/KxApp/Alpha.so: Alpha gave up",
      "ERROR App Exit failed$I/bin/KxApp/Beta.so"}},

    {"HostsWorkingDirectoryGivesNoBrowserProfile",
     [](Installation& install) {
         install.AddPackage("Alpha", "bin/KxApp");
         // Alpha has no resource root; its profile would be this file if the relative path were
         // looked up in the working directory.
         install.WriteFile(install.Root() + "/work/Profile/simbrowser_profile.json", "{}\n");
     },
     [](Installation& install, Platform& platform, Facts& facts) {
         facts.Add("Init = " + std::to_string(platform.Init()));
         std::string error;
         void* gui = TestSupport::OpenLibrary(install.Bin() + LibraryName("KxGui"), error);
         facts.Add(gui != nullptr ? "GUI loaded" : "no GUI: " + error);
         std::error_code changed;
         std::filesystem::current_path(install.Root() + "/work", changed);
         facts.Add("chdir = " + std::to_string(changed.value()));
         facts.Reg(platform, App(install, "Alpha"));
         facts.Add("Exit = " + std::to_string(platform.Exit()));
         for (const auto& line : install.Trace()) {
             if (line.rfind("KxLoadSimBrowserProfile\t", 0) == 0) {
                 facts.Add(line);
             }
         }
     },
     {"Init = 0", "GUI loaded", "chdir = 0", "Reg $I/bin/KxApp/Alpha.so = 0", "Exit = 0"},
     {}},

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
     {"Init = 0", "Reg $I/bin/KxApp/Alpha.so = -1"},
     {}},

    {"EntryPointsOfADependencyAreNotThePackages",
     [](Installation& install) {
         install.AddPackage("BorrowsEntries", "bin/KxApp");
         install.WriteFile(install.AppDir() + LibraryName("EntryDonor"),
                           ReadFile(TestPackagesDir() + "/" + LibraryName("EntryDonor")));
     },
     [](Installation& install, Platform& platform, Facts& facts) {
         facts.Add("Init = " + std::to_string(platform.Init()));
         facts.Reg(platform, App(install, "BorrowsEntries"));
     },
     {"Init = 0", "Reg $I/bin/KxApp/BorrowsEntries.so = -1"},
     {"FATAL Could not get init/exit address, path=$I/bin/KxApp/BorrowsEntries.so",
      "ERROR App Import failed$I/bin/KxApp/BorrowsEntries.so"}},

    {"ChildGoneBeforeItsParentsInitReturnsIsNotAttached",
     [](Installation& install) {
         install.AddPackage("Alpha", "bin/KxApp",
                            "register " + LibraryName("Child") + "\ndrop " + LibraryName("Child") +
                                "\n");
         install.AddPackage("Child", "bin/KxApp");
     },
     [](Installation& install, Platform& platform, Facts& facts) {
         facts.Add("Init = " + std::to_string(platform.Init()));
         facts.Reg(platform, App(install, "Alpha"));
         facts.List(platform);
         facts.Reg(platform, App(install, "Alpha"));
         const Strings events = install.Events();
         facts.Add(
             "Alpha's Init ran " +
             std::to_string(std::count(events.begin(), events.end(), "Init Alpha returns 0")) +
             " time(s)");
     },
     {"Init = 0", "Reg $I/bin/KxApp/Alpha.so = 0", "List 3 3 $I/bin/KxApp/Alpha.so",
      "Reg $I/bin/KxApp/Alpha.so = 0", "Alpha's Init ran 1 time(s)"},
     {}},

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
      "List 4 3 $I/bin/KxApp/Beta.so"},
     {}},

    {"ModuleListNamingThePlatformFailsAtOnce",
     [](Installation& install) { install.WritePreLoad({{"Orvane"}}); },
     [](Installation&, Platform& platform, Facts& facts) {
         facts.Add("Init = " + std::to_string(platform.Init()));
     },
     {"Init = 1"},
     {"FATAL the dll is being registered already, path=$I/bin/Orvane.so",
      "FATAL InternalPre Failed"}},

    {"EmptyPathOrFolderFailsBeforeReachingTheHost",
     [](Installation& install) { install.AddResourceRoot("bin/KxApp/Folder"); },
     [](Installation& install, Platform& platform, Facts& facts) {
         facts.Add("Init = " + std::to_string(platform.Init()));
         install.ClearTrace();
         facts.Reg(platform, "");
         facts.Reg(platform, install.AppDir() + "Folder");
         facts.Reg(platform, install.AppDir() + "Folder/");
         facts.Add("host calls: " + std::to_string(install.Trace().size()));
     },
     {"Init = 0", "Reg  = -1", "Reg $I/bin/KxApp/Folder = -1", "Reg $I/bin/KxApp/Folder/ = -1",
      "host calls: 0"},
     {"FATAL the dll path names no file, path=",
      "FATAL the dll path names no file, path=$I/bin/KxApp/Folder",
      "FATAL the dll path names no file, path=$I/bin/KxApp/Folder/"}},

    {"SearchPathNeverGetsAnEmptyElement",
     [](Installation& install) { install.AddPackage("Alpha", "bin/KxApp"); },
     [](Installation& install, Platform& platform, Facts& facts) {
         facts.Add("Init = " + std::to_string(platform.Init()));
         TestSupport::UnsetVariable(TestSupport::SearchVariable());
         facts.Reg(platform, LibraryName("Alpha")); // nowhere on the search path
         facts.SearchPath();
         facts.Reg(platform, App(install, "Alpha"));
         facts.SearchPath();
     },
     {"Init = 0", "Reg Alpha.so = -1", "search path=(unset)", "Reg $I/bin/KxApp/Alpha.so = 0",
      "search path=$I/bin/KxApp/"},
     {}},

    // A list that is there but cannot be read loads nothing, as a missing one does, but says so.
    {"UnreadableApplicationListIsNamed",
     [](Installation& install) {
         install.RemovePath(install.PlatformRoot() + "NevraPreLoadApp.xml");
         std::filesystem::create_directory(install.PlatformRoot() + "NevraPreLoadApp.xml");
     },
     [](Installation&, Platform& platform, Facts& facts) {
         facts.Add("Init = " + std::to_string(platform.Init()));
         facts.List(platform);
     },
     {"Init = 0"},
     {"ERROR cannot read the load list $I/bin/KxApp/Resource/Orvane/NevraPreLoadApp.xml: "
      "ReadFileBytes failed for '$I/bin/KxApp/Resource/Orvane/NevraPreLoadApp.xml': not a "
      "regular file"}},

    {"ApplicationNamedAbsolutelyInsideTheAppFolderLoads",
     [](Installation& install) {
         install.AddPackage("Alpha", "bin/KxApp");
         install.AddPackage("Beta", "bin/KxApp");
         install.WriteAppList({{LibraryName("Alpha")}, {App(install, "Beta")}});
     },
     [](Installation&, Platform& platform, Facts& facts) {
         facts.Add("Init = " + std::to_string(platform.Init()));
         facts.List(platform);
     },
     {"Init = 0", "List 2 2 $I/bin/KxApp/Alpha.so", "List 3 3 Beta.so"},
     {"INFO Beta.so", "INFO init=1 return=0"}},
};

INSTANTIATE_TEST_SUITE_P(Packages, MisbehavingPackage, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace orvane::test
