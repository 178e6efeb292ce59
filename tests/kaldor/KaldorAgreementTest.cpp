// kaldor check against a real start-up: the same installations taken through the dry run and
// through `kaldor run`, which loads Orvane.so and runs the packages. Check must say OK exactly
// when start-up succeeds and name the package start-up fails on, without running package code;
// run must explain the failure in words the user can act on.
#include "KaldorTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

namespace kaldor::test {

namespace {

// A file of the copy given new content, or removed.
using Change = std::pair<std::string, std::optional<std::string>>;
const std::nullopt_t Gone = std::nullopt;

const std::string AppList = "bin/KxApp/Resource/Orvane/NevraPreLoadApp.xml";
const std::string PreLoadList = "bin/KxApp/Resource/Orvane/NevraPreLoad.xml";

// An application list of these entries (path, load); "$I" stands for the copy's installation.
Change AppEntries(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string list = "<Apps>\n";
    for (const auto& [path, load] : entries) {
        list += "  <App path=\"" + path + "\" load=\"" + load + "\"/>\n";
    }
    return {AppList, list + "</Apps>\n"};
}

// The demo's solver, then one more application entry.
Change Apps(const std::string& path, const char* load) {
    return AppEntries({{"Solver.so", "1"}, {path, load}});
}

// A built library whose section-header table is gone (e_shoff, e_shnum and e_shstrndx zeroed, as
// some strip tools leave it): the loader needs only the program headers.
std::string WithoutSectionTable(std::string elf) {
    constexpr std::size_t shoff = 0x28, shnum = 0x3c; // ELF64; e_shstrndx follows e_shnum
    elf.replace(shoff, 8, 8, '\0');
    elf.replace(shnum, 4, 4, '\0');
    return elf;
}

// How the two are meant to relate on a row.
enum class Verdict {
    Agree,          // check finds no problem exactly when start-up succeeds
    CheckStricter,  // a malformed load list: a problem for check, a warning for run
    OnlyRunCanTell, // package code decides; check cannot know without running it
};

struct Row {
    std::string name;
    std::vector<Change> changes;
    Environment environment;
    int runExit;         // 0 start-up succeeds, 1 it fails, 3 the platform cannot be loaded
    std::string package; // what both name: the library start-up fails on, or "" when it succeeds
    Texts runSays;       // on standard error when the platform cannot be loaded
    Texts checkSays;     // "$I" stands for the copy's installation folder
    Verdict verdict = Verdict::Agree;
    std::optional<Change> link; // a link made in the copy: its path and its target
};

const std::string Succeeded = "Start-up: succeeded";
const std::string NoProblems = "No problems found.";
const std::string UnknownDependence = "FATAL the dll has unknown dependence, path=";

// clang-format off
const Row rows[] = {
    // Application entries the platform resolves in unexpected ways, switched on and off.
    {"AppEntryThroughAFileOn", {Apps("Foo.so/..", "1")}, {}, 1, "bin/KxApp/Foo.so/..",
     {UnknownDependence + "$I/bin/KxApp/Foo.so/.."},
     {"PROBLEM  application Foo.so/.. -> bin/KxApp/Foo.so/.."}},
    {"AppEntryThroughAFileOff", {Apps("Foo.so/..", "0")}, {}, 0, "", {Succeeded},
     {"skipped  application Foo.so/..", NoProblems}},
    {"AppEntryParentFolderOn", {Apps("..", "1")}, {}, 1, "bin/KxApp/..",
     {"FATAL the dll path names no file, path=$I/bin/KxApp/..",
     "-> An application of NevraPreLoadApp.xml could not be registered: Package .. "
     "(bin/KxApp/..) was refused, as the record above explains."},
     {"PROBLEM  application .. -> bin/KxApp/.."}},
    {"AppEntryParentFolderOff", {Apps("..", "0")}, {}, 0, "", {Succeeded}, {NoProblems}},
    {"AppEntryDriveRootOn", {Apps("C:\\x.so", "1")}, {}, 1, "C:/x.so",
     {UnknownDependence + "C:/x.so"}, {"PROBLEM  application C:\\x.so -> C:/x.so"}},
    {"AppEntryDriveRootOff", {Apps("C:\\x.so", "0")}, {}, 0, "", {Succeeded}, {NoProblems}},
    // The platform resolves every application entry before it loads any, so one it cannot
    // resolve fails start-up even when it is switched off.
    {"AppEntryDriveRelativeOn", {Apps("C:x.so", "1")}, {}, 1, "C:x.so", {"FATAL load err:"},
     {"NevraPreLoadApp.xml line 3 (C:x.so): ", "so start-up fails (\"load err:"}},
    {"AppEntryDriveRelativeOff", {Apps("C:x.so", "0")}, {}, 1, "C:x.so", {"FATAL load err:"},
     {"NevraPreLoadApp.xml line 3 (C:x.so): ", "so start-up fails (\"load err:"}},
    {"AppEntryServerShareOn", {Apps("//server/share/x.so", "1")}, {}, 1, "//server/share/x.so",
     {UnknownDependence + "//server/share/x.so"},
     {"PROBLEM  application //server/share/x.so", "//server/share/x.so does not exist"}},
    {"AppEntryServerShareOff", {Apps("//server/share/x.so", "0")}, {}, 0, "", {Succeeded},
     {NoProblems}},
    // Named absolutely inside bin/KxApp/, an application is looked for by its bare name on the
    // search path, which holds bin/KxApp/ only once a library from there was loaded.
    {"AppNamedAbsolutelyInsideTheAppFolderAfterAnother",
     {AppEntries({{"Solver.so", "1"}, {"$I/bin/KxApp/Mesher.so", "1"}})}, {}, 0, "", {Succeeded},
     {"  ok       application $I/bin/KxApp/Mesher.so -> bin/KxApp/Mesher.so",
     "note: given absolutely inside bin/KxApp/"}},
    {"AppNamedAbsolutelyInsideTheAppFolderFirst",
     {AppEntries({{"$I/bin/KxApp/Mesher.so", "1"}, {"Solver.so", "1"}})}, {}, 1, "Mesher.so",
     {"Package Mesher (Mesher.so) cannot be loaded: the application list names it by an "
     "absolute path directly inside bin/KxApp/"},
     {"no library loaded before it puts bin/KxApp/ on LD_LIBRARY_PATH"}},
    {"LibraryWithoutSectionTable",
     {{"bin/KxApp/Solver.so", WithoutSectionTable(ReadFile(DemoDir + "/bin/KxApp/Solver.so"))}}, {},
     0, "", {Succeeded}, {NoProblems}},
    {"NotALibrary", {{"bin/KxApp/Solver.so", "#!/bin/sh\n"}}, {}, 1, "bin/KxApp/Solver.so",
     {"Package Solver (bin/KxApp/Solver.so) cannot be loaded: "},
     {"$I/bin/KxApp/Solver.so is not a shared library (no ELF header)"}},
    // Cut past its program headers, inside what the loader maps: the system's loader would map
    // the missing pages all the same and end the host touching them.
    {"LibraryCutShort",
     {{"bin/KxApp/Solver.so", ReadFile(DemoDir + "/bin/KxApp/Solver.so").substr(0, 2048)}}, {}, 1,
     "bin/KxApp/Solver.so", {"Package Solver (bin/KxApp/Solver.so) cannot be loaded: "},
     {"$I/bin/KxApp/Solver.so is cut short or damaged: "}},
    {"MissingLibrary", {{"bin/KxApp/Solver.so", Gone}}, {}, 1, "bin/KxApp/Solver.so",
     {UnknownDependence, "-> Package Solver (bin/KxApp/Solver.so) cannot be loaded: the file ",
     "-> An application of NevraPreLoadApp.xml could not be registered: Package Solver"},
     {"PROBLEM  application Solver.so -> bin/KxApp/Solver.so",
     "$I/bin/KxApp/Solver.so does not exist"}},
    {"MissingDependency", {{"apps/PlotMath.so", Gone}}, {}, 1, "apps/Plotter.so",
     {"Package Plotter (apps/Plotter.so) cannot be loaded: its dependency "
     "PlotMath.so is missing"}, {"PROBLEM  application", "its dependency PlotMath.so is missing"}},
    // Found through the package's run path only ($ORIGIN/private), where no search of the
    // platform's own looks.
    {"DependencyOnlyOnTheRunPath", {Apps("NeedsDependency.so", "1"),
     {"bin/KxApp/NeedsDependency.so",
     ReadFile(orvane::test::TestPackagesDir() + "/RunPathNeedsDependency.so")},
     {"bin/KxApp/private/PackageDependency.so",
     ReadFile(orvane::test::TestPackagesDir() + "/PackageDependency.so")}}, {}, 0,
     "bin/KxApp/NeedsDependency.so", {Succeeded, "] bin/KxApp/NeedsDependency.so"},
     {"ok       application NeedsDependency.so -> bin/KxApp/NeedsDependency.so", NoProblems}},
    {"MissingEntryPoints", {{"bin/KxApp/Mesher.so", ReadFile(DemoDir + "/bin/KxApp/Legacy.so")}},
     {}, 1, "bin/KxApp/Mesher.so", {"FATAL Could not get init/exit address, path=",
     "Package Mesher (bin/KxApp/Mesher.so) cannot start: it must export MesherInit "
     "and MesherExit (named after the file Mesher.so), but it exports LegacyExit, " "LegacyInit"},
     {"it does not export MesherInit, MesherExit (it exports LegacyExit, LegacyInit"}},
    // The platform reads a malformed list as an empty one and comes up without its modules.
    {"MalformedLoadList", {{PreLoadList, "<Modules><module name=\"DemoCore\" qa=\"0\">\n"}}, {}, 0,
     "NevraPreLoad.xml", {"Warnings:\n  NevraPreLoad.xml cannot be read as XML (",
     "so none of its pre-load libraries was loaded"},
     {"NevraPreLoad.xml cannot be read as XML (XML_ERROR_", "at line 1"}, Verdict::CheckStricter},
    {"PlatformInItsOwnList",
     {{PreLoadList, "<Modules><module name=\"Orvane\" qa=\"0\"/></Modules>\n"}}, {}, 1,
     "bin/Orvane.so", {"FATAL the dll is being registered already, path=$I/bin/Orvane.so",
     "-> Package Orvane (bin/Orvane.so) was registered again while its own "
     "registration was still running"},
     {"PROBLEM  pre-load Orvane -> bin/Orvane.so", "it is the platform itself"}},
    {"RefusedSearchPath", {}, {{"KALDOR_REFUSE_PATHS", "nowhere|Resource/Solver"}}, 1,
     "Resource/Solver/", {"FATAL External Failed",
     "Package Solver (bin/KxApp/Solver.so) was not registered: the host refuses "
     "the search path ", "(KALDOR_REFUSE_PATHS contains \"Resource/Solver\")"},
     {"the host refuses the search path "}},
    {"RootWithoutSettingFile", {{"bin/KxApp/Resource/DemoUnits/Configures", Gone}}, {}, 1,
     "Resource/DemoUnits/", {"FATAL InternalPre Failed",
     "A pre-load module of NevraPreLoad.xml could not be registered: Package "
     "DemoUnits (bin/DemoUnits.so) was not registered: the resource root ", "has no setting file"},
     {"Resource/DemoUnits/ has no setting file"}},
    {"MissingHostLibrary", {{"bin/KxLog.so", Gone}}, {}, 3, "KxLog.so",
     {"kaldor: cannot load $I/bin/Orvane.so: its dependency KxLog.so is missing"},
     {"PROBLEM  platform bin/Orvane.so", "its dependency KxLog.so is missing"}},
    // A user folder that cannot take what start-up writes is named, with the system's words.
    {"HomeIsAFile", {}, {{"KALDOR_HOME", "$I/bin/KxLog.so"}}, 1, "",
     {"The log could not be written into $I/bin/KxLog.so/logs/Nevra/: ",
     "/bin/KxLog.so is not a folder (Not a directory)."}, {NoProblems}, Verdict::OnlyRunCanTell},
    {"HomeIsADanglingLink", {}, {{"KALDOR_HOME", "$I/home"}}, 1, "",
     {"The log could not be written into $I/home/logs/Nevra/: ", "/home is a link to ",
     "/gone, which does not exist."}, {NoProblems}, Verdict::OnlyRunCanTell,
     Change{"home", "$I/gone"}},
    {"SettingsTreeUnderAFile", {{"logs/Nevra/cae_pr_", "a file where the settings tree belongs"}},
     {{"KALDOR_FOLDER_6", "$I/logs"}}, 1, "", {"FATAL InternalPre Failed",
     "before its library was loaded: its setting files could not be copied into the user's "
     "folders: $I/logs/Nevra/cae_pr_ is not a folder (Not a directory)."}, {NoProblems},
     Verdict::OnlyRunCanTell},
    {"PackageRefusesToStart", {}, {{"KXDB_REFUSE_IDS", "4711"}}, 1, "",
     {"the Init of Package DemoCore (bin/DemoCore.so) returned 1"}, {NoProblems},
     Verdict::OnlyRunCanTell},
};
// clang-format on

class KaldorAgreement : public ::testing::TestWithParam<std::size_t> {};

TEST_P(KaldorAgreement, CheckPredictsWhatStartUpDoes) {
    const Row& row = rows[GetParam()];
    const DemoCopy demo;
    for (auto [path, content] : row.changes) {
        if (const auto at = content ? content->find("$I") : std::string::npos;
            at != std::string::npos) {
            content->replace(at, 2, demo.Install());
        }
        demo.Set(path, content);
    }
    const auto installed = [&](std::string text) {
        for (auto at = text.find("$I"); at != std::string::npos; at = text.find("$I")) {
            text.replace(at, 2, demo.Install());
        }
        return text;
    };
    if (row.link) {
        std::filesystem::create_symlink(installed(*row.link->second), demo.Path(row.link->first));
    }
    Environment environment;
    for (const auto& [name, value] : row.environment) {
        environment[name] = value ? std::optional(installed(*value)) : std::nullopt;
    }

    const ProcessResult check = demo.Kaldor({"check"}, environment);
    EXPECT_FALSE(Exists(demo.Events())) << "check ran package code";
    EXPECT_FALSE(Exists(demo.Home() + "/logs")) << "check started the platform";
    const bool starts = row.runExit == 0;
    const bool checkSaysOk = row.verdict == Verdict::Agree ? starts : !starts;
    EXPECT_EQ(check.exitCode, checkSaysOk ? 0 : 1) << check.out << check.err;
    ExpectSays(check.out, row.checkSays, demo.Install());

    // A failed start-up is explained alike by every command that starts the platform, and
    // nothing is answered after it.
    for (const Texts& command : {Texts{"run"}, Texts{"paths", "icons"}}) {
        if (command[0] == "paths" && starts) {
            continue;
        }
        const ProcessResult result = demo.Kaldor(command, environment);
        const std::string& said = result.exitCode == 3 ? result.err : result.out;
        EXPECT_EQ(result.exitCode, row.runExit) << result.out << result.err;
        ExpectSays(said, row.runSays, demo.Install());
        // Both name the package start-up fails on.
        if (!row.package.empty()) {
            ExpectSays(said, {row.package});
            ExpectSays(check.out, {row.package});
        }
        EXPECT_TRUE(command[0] == "run" || result.out.find("/Icons/") == std::string::npos)
            << "paths answered after a failure";
    }
}

INSTANTIATE_TEST_SUITE_P(Installations, KaldorAgreement,
                         ::testing::Range<std::size_t>(0, std::size(rows)),
                         [](const auto& info) { return rows[info.param].name; });

TEST(KaldorBroken, JsonTellsOfAFailedStartUp) {
    const DemoCopy demo;
    demo.Set("apps/PlotMath.so", Gone);
    const ProcessResult conflicts = demo.Kaldor({"conflicts", "--json"});
    EXPECT_EQ(conflicts.exitCode, 1);
    ExpectSays(conflicts.out, {"\"succeeded\": false", "\"record\": \"External Failed\""});
    const ProcessResult run = demo.Kaldor({"run", "--json"});
    EXPECT_EQ(run.exitCode, 1);
    ExpectSays(run.out, {"\"importFailure\": \"the dll has unknown dependence",
                         "cannot be loaded: its dependency PlotMath.so is missing"});
}

// A library with GNU-unique symbols stays loaded after it was unregistered; check warns of it
// and names the flag that avoids them, without calling it a problem.
TEST(KaldorCheck, WarnsOfGnuUniqueSymbols) {
    const DemoCopy demo;
    demo.Set("bin/KxApp/Solver.so", ReadFile(orvane::test::TestPackagesDir() + "/UniqueSolver.so"));
    const ProcessResult check = demo.Kaldor({"check"});
    EXPECT_EQ(check.exitCode, 0) << check.out;
    ExpectSays(check.out, {"warning: it holds GNU-unique symbols (",
                           "it cannot be registered again after it was unregistered; build it "
                           "with -fno-gnu-unique"});
    // Only the rebuilt package: everything else is built with the flag.
    EXPECT_EQ(check.out.find("GNU-unique"), check.out.rfind("GNU-unique"));
}

} // namespace

} // namespace kaldor::test
