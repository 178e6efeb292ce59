// kaldor on broken copies of the demo installation: `run` must fail with an explanation the
// user can act on, and `check` must find the same problem without running any package code.
#include "KaldorTestSupport.h"

#include <gtest/gtest.h>

#include <iterator>
#include <tuple>

namespace kaldor::test {

namespace {

// A file of the copy given new content, or removed.
using Change = std::pair<std::string, std::optional<std::string>>;
const std::nullopt_t Gone = std::nullopt;

// The name, the changes, the environment; run's exit code and texts (on standard error when
// the platform cannot be loaded); check's exit code and texts. In the texts "$I" stands for the
// copy's installation folder.
using Breakage = std::tuple<std::string, std::vector<Change>, Environment, int, Texts, int, Texts>;

const Breakage breakages[] = {
    Breakage("MissingLibrary", {{"bin/KxApp/Solver.so", Gone}}, {}, 1,
             {"FATAL the dll has unknown dependence, path=",
              "-> Package Solver (bin/KxApp/Solver.so) cannot be loaded: the file ",
              "-> An application of NevraPreLoadApp.xml could not be registered: Package Solver"},
             1,
             {"PROBLEM  application Solver.so -> bin/KxApp/Solver.so",
              "$I/bin/KxApp/Solver.so does not exist"}),
    Breakage("MissingEntryPoints",
             {{"bin/KxApp/Mesher.so", ReadFile(DemoDir + "/bin/KxApp/Legacy.so")}}, {}, 1,
             {"FATAL Could not get init/exit address, path=",
              "Package Mesher (bin/KxApp/Mesher.so) cannot start: it must export MesherInit "
              "and MesherExit (named after the file Mesher.so), but it exports LegacyExit, "
              "LegacyInit"},
             1, {"it does not export MesherInit, MesherExit (it exports LegacyExit, LegacyInit"}),
    Breakage("MissingDependency", {{"apps/PlotMath.so", Gone}}, {}, 1,
             {"Package Plotter (apps/Plotter.so) cannot be loaded: its dependency "
              "PlotMath.so is missing"},
             1, {"PROBLEM  application", "its dependency PlotMath.so is missing"}),
    Breakage("MalformedLoadList",
             {{"bin/KxApp/Resource/Orvane/NevraPreLoad.xml",
               "<Modules><module name=\"DemoCore\" qa=\"0\">\n"}},
             {},
             0, // the platform reads it as an empty list and comes up without the modules
             {"Warnings:\n  NevraPreLoad.xml cannot be read as XML (",
              "so none of its pre-load libraries was loaded"},
             1, {"NevraPreLoad.xml cannot be read as XML (XML_ERROR_", "at line 1"}),
    // The platform resolves every application entry before it loads any, so one it cannot
    // resolve fails start-up even when it is switched off.
    Breakage("SwitchedOffAppWithDriveForm",
             {{"bin/KxApp/Resource/Orvane/NevraPreLoadApp.xml",
               "<Apps>\n  <App path=\"Solver.so\" load=\"1\"/>\n"
               "  <App path=\"C:x.so\" load=\"0\"/>\n</Apps>\n"}},
             {}, 1, {"FATAL load err:"}, 1,
             {"NevraPreLoadApp.xml line 3 (C:x.so): ", "so start-up fails (\"load err:"}),
    Breakage("PlatformInItsOwnList",
             {{"bin/KxApp/Resource/Orvane/NevraPreLoad.xml",
               "<Modules><module name=\"Orvane\" qa=\"0\"/></Modules>\n"}},
             {}, 1,
             {"FATAL the dll is being registered already, path=$I/bin/Orvane.so",
              "-> Package Orvane (bin/Orvane.so) was registered again while its own "
              "registration was still running"},
             1, {"PROBLEM  pre-load Orvane -> bin/Orvane.so", "it is the platform itself"}),
    Breakage("RefusedSearchPath", {}, {{"KALDOR_REFUSE_PATHS", "nowhere|Resource/Solver"}}, 1,
             {"FATAL External Failed",
              "Package Solver (bin/KxApp/Solver.so) was not registered: the host refuses "
              "the search path ",
              "(KALDOR_REFUSE_PATHS contains \"Resource/Solver\")"},
             1, {"the host refuses the search path ", "Resource/Solver/"}),
    Breakage("RootWithoutSettingFile", {{"bin/KxApp/Resource/DemoUnits/Configures", Gone}}, {}, 1,
             {"FATAL InternalPre Failed",
              "A pre-load module of NevraPreLoad.xml could not be registered: Package "
              "DemoUnits (bin/DemoUnits.so) was not registered: the resource root ",
              "has no setting file"},
             1, {"Resource/DemoUnits/ has no setting file"}),
    Breakage("MissingHostLibrary", {{"bin/KxLog.so", Gone}}, {},
             3, // without the platform the installation is unusable
             {"kaldor: cannot load $I/bin/Orvane.so: its dependency KxLog.so is missing"}, 1,
             {"PROBLEM  platform bin/Orvane.so", "its dependency KxLog.so is missing"}),
    Breakage("PackageRefusesToStart", {}, {{"KXDB_REFUSE_IDS", "4711"}}, 1,
             {"the Init of Package DemoCore (bin/DemoCore.so) returned 1"},
             0, // only running the package can tell
             {"No problems found."}),
};

class KaldorBroken : public ::testing::TestWithParam<std::size_t> {};

TEST_P(KaldorBroken, RunExplainsAndCheckFindsItWithoutPackageCode) {
    const auto& [name, changes, environment, runExit, runSays, checkExit, checkSays] =
        breakages[GetParam()];
    const DemoCopy demo;
    for (const auto& [path, content] : changes) {
        demo.Set(path, content);
    }

    const ProcessResult check = demo.Kaldor({"check"}, environment);
    EXPECT_EQ(check.exitCode, checkExit) << check.out << check.err;
    ExpectSays(check.out, checkSays, demo.Install());
    EXPECT_FALSE(Exists(demo.Events())) << "check ran package code";
    EXPECT_FALSE(Exists(demo.Home() + "/logs")) << "check started the platform";

    // A failed start-up is explained alike by every command that starts the platform, and
    // nothing is answered after it.
    for (const Texts& command : {Texts{"run"}, Texts{"paths", "icons"}}) {
        if (command[0] == "paths" && runExit == 0) {
            continue;
        }
        const ProcessResult result = demo.Kaldor(command, environment);
        EXPECT_EQ(result.exitCode, runExit) << result.out << result.err;
        ExpectSays(result.exitCode == 3 ? result.err : result.out, runSays, demo.Install());
        EXPECT_TRUE(command[0] == "run" || result.out.find("/Icons/") == std::string::npos)
            << "paths answered after a failure";
    }
}

INSTANTIATE_TEST_SUITE_P(Installations, KaldorBroken,
                         ::testing::Range<std::size_t>(0, std::size(breakages)),
                         [](const auto& info) { return std::get<0>(breakages[info.param]); });

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

// The platform finds an application named absolutely inside bin/KxApp/ by its bare name on the
// search path, which holds bin/KxApp/ once a library from there was loaded.
TEST(KaldorAppList, ApplicationNamedAbsolutelyInsideTheAppFolderLoadsAfterAnotherFromThere) {
    const std::string list = "bin/KxApp/Resource/Orvane/NevraPreLoadApp.xml";
    const auto apps = [](const std::string& first, const std::string& second) {
        return "<Apps>\n  <App path=\"" + first + "\" load=\"1\"/>\n  <App path=\"" + second +
               "\" load=\"1\"/>\n</Apps>\n";
    };
    {
        const DemoCopy demo;
        demo.Set(list, apps("Solver.so", demo.Path("bin/KxApp/Mesher.so")));
        const ProcessResult run = demo.Kaldor({"run"});
        EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
        const ProcessResult check = demo.Kaldor({"check"});
        EXPECT_EQ(check.exitCode, 0) << check.out;
        ExpectSays(check.out,
                   {"  ok       application $I/bin/KxApp/Mesher.so -> bin/KxApp/Mesher.so",
                    "note: given absolutely inside bin/KxApp/"},
                   demo.Install());
    }
    {
        const DemoCopy demo;
        demo.Set(list, apps(demo.Path("bin/KxApp/Mesher.so"), "Solver.so"));
        const ProcessResult run = demo.Kaldor({"run"});
        EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
        ExpectSays(run.out, {"Package Mesher (Mesher.so) cannot be loaded: the application list "
                             "names it by an absolute path directly inside bin/KxApp/"});
        const ProcessResult check = demo.Kaldor({"check"});
        EXPECT_EQ(check.exitCode, 1) << check.out;
        ExpectSays(check.out, {"no library loaded before it puts bin/KxApp/ on LD_LIBRARY_PATH"});
    }
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
