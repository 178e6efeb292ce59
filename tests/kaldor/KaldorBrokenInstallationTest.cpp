// kaldor on broken copies of the demo installation: `run` must fail with an explanation the
// user can act on, and `check` must find the same problem without running any package code.
#include "KaldorTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <ostream>

namespace kaldor::test {

namespace {

using ::testing::HasSubstr;

struct Breakage {
    std::string name;
    std::function<void(const DemoCopy&)> breakIt;
    std::map<std::string, std::optional<std::string>> environment;
    int runExit;
    std::vector<std::string> runSays; // in the run's report
    int checkExit;
    std::vector<std::string> checkSays; // in the check's report
};

std::ostream& operator<<(std::ostream& out, const Breakage& breakage) {
    return out << breakage.name;
}

class KaldorBroken : public ::testing::TestWithParam<Breakage> {};

TEST_P(KaldorBroken, RunExplainsAndCheckFindsItWithoutPackageCode) {
    const Breakage& breakage = GetParam();
    const DemoCopy demo;
    breakage.breakIt(demo);

    const ProcessResult check = demo.Kaldor({"check"}, breakage.environment);
    EXPECT_EQ(check.exitCode, breakage.checkExit) << check.out << check.err;
    for (const auto& text : breakage.checkSays) {
        EXPECT_THAT(check.out, HasSubstr(text));
    }
    EXPECT_TRUE(demo.EventLines().empty()) << "check ran package code";

    const ProcessResult run = demo.Kaldor({"run"}, breakage.environment);
    EXPECT_EQ(run.exitCode, breakage.runExit) << run.out << run.err;
    for (const auto& text : breakage.runSays) {
        EXPECT_THAT(run.out, HasSubstr(text));
    }
}

const char* const PreLoadList = "bin/KxApp/Resource/Orvane/NevraPreLoad.xml";
const char* const PostLoadList = "bin/KxApp/Resource/Orvane/NevraPostLoad.xml";
const char* const AppList = "bin/KxApp/Resource/Orvane/NevraPreLoadApp.xml";
const char* const PendingAppList = "bin/KxApp/Resource/Orvane/NevraPreLoadApp.tmp.xml";

INSTANTIATE_TEST_SUITE_P(
    Installations, KaldorBroken,
    ::testing::Values(
        Breakage{"MissingLibrary",
                 [](const DemoCopy& demo) { demo.Remove("bin/KxApp/Solver.so"); },
                 {},
                 1,
                 {"FATAL the dll has unknown dependence, path=",
                  "-> Package Solver (bin/KxApp/Solver.so) cannot be loaded: the file ",
                  "-> An application of NevraPreLoadApp.xml could not be registered: Package "
                  "Solver"},
                 1,
                 {"PROBLEM  application Solver.so -> bin/KxApp/Solver.so",
                  "/bin/KxApp/Solver.so does not exist"}},
        Breakage{
            "MissingEntryPoints",
            [](const DemoCopy& demo) { demo.Copy("bin/KxApp/Legacy.so", "bin/KxApp/Mesher.so"); },
            {},
            1,
            {"FATAL Could not get init/exit address, path=",
             "Package Mesher (bin/KxApp/Mesher.so) cannot start: it must export MesherInit "
             "and MesherExit (named after the file Mesher.so), but it exports LegacyExit, "
             "LegacyInit"},
            1,
            {"it does not export MesherInit, MesherExit (it exports LegacyExit, "
             "LegacyInit"}},
        Breakage{"MissingDependency",
                 [](const DemoCopy& demo) { demo.Remove("apps/PlotMath.so"); },
                 {},
                 1,
                 {"Package Plotter (apps/Plotter.so) cannot be loaded: its dependency "
                  "PlotMath.so is missing"},
                 1,
                 {"PROBLEM  application", "its dependency PlotMath.so is missing"}},
        Breakage{"MalformedLoadList",
                 [](const DemoCopy& demo) {
                     demo.Write(PreLoadList, "<Modules><module name=\"DemoCore\" qa=\"0\">\n");
                 },
                 {},
                 0, // the platform reads it as an empty list and comes up without the modules
                 {"Warnings:\n  NevraPreLoad.xml cannot be read as XML (",
                  "so none of its pre-load libraries was loaded"},
                 1,
                 {"NevraPreLoad.xml cannot be read as XML (XML_ERROR_", "at line 1"}},
        Breakage{"RefusedSearchPath",
                 [](const DemoCopy&) {},
                 {{"KALDOR_REFUSE_PATHS", "nowhere|Resource/Solver"}},
                 1,
                 {"FATAL External Failed",
                  "Package Solver (bin/KxApp/Solver.so) was not registered: the host refuses "
                  "the search path ",
                  "(KALDOR_REFUSE_PATHS contains \"Resource/Solver\")"},
                 1,
                 {"the host refuses the search path ", "Resource/Solver/"}},
        Breakage{
            "RootWithoutSettingFile",
            [](const DemoCopy& demo) { demo.Remove("bin/KxApp/Resource/DemoUnits/Configures"); },
            {},
            1,
            {"FATAL InternalPre Failed",
             "A pre-load module of NevraPreLoad.xml could not be registered: Package "
             "DemoUnits (bin/DemoUnits.so) was not registered: the resource root ",
             "has no setting file"},
            1,
            {"Resource/DemoUnits/ has no setting file"}},
        Breakage{"PlatformRootWithoutSettingFile",
                 [](const DemoCopy& demo) { demo.Remove("bin/KxApp/Resource/Orvane/Configures"); },
                 {},
                 1,
                 {"FATAL InternalPre Failed", "The platform's own registration failed"},
                 1,
                 {"PROBLEM  platform bin/Orvane.so", "the platform's own root"}},
        Breakage{"MissingCustomSeed",
                 [](const DemoCopy& demo) { demo.Remove("bin/KxApp/Resource/Orvane/Library"); },
                 {},
                 1,
                 {"FATAL PreBuild Failed", "no Library/custom folder"},
                 1,
                 {"has no Library/custom folder", "\"PreBuild Failed\""}},
        Breakage{"LibraryInTwoLists",
                 [](const DemoCopy& demo) {
                     demo.Write(PostLoadList, "<Modules>\n  <module name=\"DemoReport\" "
                                              "qa=\"0\"/>\n  <module name=\"DemoUnits\" "
                                              "qa=\"0\"/>\n</Modules>\n");
                 },
                 {},
                 1,
                 {"FATAL the dll has been loaded, path=",
                  "-> Package DemoUnits (bin/DemoUnits.so) was not loaded: a library of that "
                  "path is already loaded",
                  "FATAL InternalPost Failed"},
                 1,
                 {"it is also listed as a pre-load library"}},
        Breakage{"PendingListMovedIntoAFolder",
                 [](const DemoCopy& demo) {
                     demo.Write(PendingAppList,
                                "<Apps><App path=\"Solver.so\" load=\"1\"/></Apps>\n");
                     demo.Remove(AppList);
                     demo.Write(AppList + std::string("/blocker"), "");
                 },
                 {},
                 0, // the platform copies the pending list into the folder and reads no list
                 {"(no application package is registered)"},
                 1,
                 {"NevraPreLoadApp.xml is a folder: start-up moves NevraPreLoadApp.tmp.xml into "
                  "it and then loads no application"}},
        Breakage{"PackageRefusesToStart",
                 [](const DemoCopy&) {},
                 {{"KXDB_REFUSE_IDS", "4711"}},
                 1,
                 {"the Init of Package DemoCore (bin/DemoCore.so) returned 1"},
                 0, // only running the package can tell
                 {"No problems found."}}),
    [](const ::testing::TestParamInfo<Breakage>& info) { return info.param.name; });

TEST(KaldorBrokenPlatform, MissingHostLibraryMakesTheInstallationUnusable) {
    const DemoCopy demo;
    demo.Remove("bin/KxLog.so");
    const ProcessResult run = demo.Kaldor({"run"});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_THAT(run.err, HasSubstr("cannot load " + demo.Path("bin/Orvane.so") +
                                   ": its dependency KxLog.so is missing"));
    const ProcessResult check = demo.Kaldor({"check"});
    EXPECT_EQ(check.exitCode, 1);
    EXPECT_THAT(check.out, HasSubstr("PROBLEM  platform bin/Orvane.so"));
    EXPECT_THAT(check.out, HasSubstr("its dependency KxLog.so is missing"));
}

TEST(KaldorBrokenPlatform, EveryStartingCommandReportsAFailedStartUp) {
    const DemoCopy demo;
    demo.Remove("apps/PlotMath.so");

    const ProcessResult paths = demo.Kaldor({"paths", "icons"});
    EXPECT_EQ(paths.exitCode, 1);
    EXPECT_THAT(paths.out, HasSubstr("Start-up: FAILED (OrvaneInit returned 1"));
    EXPECT_THAT(paths.out, HasSubstr("its dependency PlotMath.so is missing"));
    EXPECT_EQ(paths.out.find("/Icons/"), std::string::npos) << "answered after a failure";

    const ProcessResult conflicts = demo.Kaldor({"conflicts", "--json"});
    EXPECT_EQ(conflicts.exitCode, 1);
    EXPECT_THAT(conflicts.out, HasSubstr("\"succeeded\": false"));
    EXPECT_THAT(conflicts.out, HasSubstr("\"record\": \"External Failed\""));

    const ProcessResult run = demo.Kaldor({"run", "--json"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.out, HasSubstr("\"importFailure\": \"the dll has unknown dependence"));
    EXPECT_THAT(run.out, HasSubstr("cannot be loaded: its dependency PlotMath.so is missing"));
}

TEST(KaldorBrokenPlatform, UncreatableUserFolderIsExplained) {
    const DemoCopy demo;
    demo.Write("blocked", "a file where a folder must go\n");
    const ProcessResult run =
        demo.Kaldor({"run"}, {{"KALDOR_FOLDER_5", demo.Path("blocked/library")}});
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_THAT(run.out, HasSubstr("FATAL PreBuild Failed"));
    EXPECT_THAT(run.out, HasSubstr("The user's library folder " + demo.Path("blocked/library") +
                                   "/Nevra/ cannot be created"));
}

} // namespace

} // namespace kaldor::test
