// kaldor check against a real start-up: the same installations taken through the dry run and
// through `kaldor run`, which loads Orvane.so and runs the packages. Check must say OK exactly
// when start-up succeeds and name the package start-up fails on, without running package code;
// run must explain the failure in words the user can act on.
#include "KaldorTestSupport.h"
#include "TestSystem.h"

#include <gtest/gtest.h>

#include <iterator>

namespace kaldor::test {

namespace {

// A file of the copy given new content, or removed.
using Change = std::pair<std::string, std::optional<std::string>>;
const std::nullopt_t Gone = std::nullopt;

const std::string AppList = "bin/KxApp/Resource/Orvane/NevraPreLoadApp.xml";

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
    return AppEntries({{LibraryName("Solver"), "1"}, {path, load}});
}

// How the two are meant to relate on a row.
enum class Verdict {
    Agree,          // check finds no problem exactly when start-up succeeds
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
};

const std::string NoProblems = "No problems found.";
const std::string UnknownDependence = "FATAL the dll has unknown dependence, path=";

// clang-format off
const Row rows[] = {
    {"AppEntryParentFolderOn", {Apps("..", "1")}, {}, 1, "bin/KxApp/..",
     {"FATAL the dll path names no file, path=$I/bin/KxApp/..",
     "-> An application of NevraPreLoadApp.xml could not be registered: Package .. "
     "(bin/KxApp/..) was refused, as the record above explains."},
     {"PROBLEM  application .. -> bin/KxApp/.."}},
    {"AppNamedAbsolutelyInsideTheAppFolderFirst",
     {AppEntries({{"$I/bin/KxApp/" + LibraryName("Mesher"), "1"}, {LibraryName("Solver"), "1"}})},
     {}, 1, "Mesher.so",
     {"Package Mesher (Mesher.so) cannot be loaded: the application list names it by an "
     "absolute path directly inside bin/KxApp/"},
     {"no library loaded before it puts bin/KxApp/ on " +
      std::string(TestSupport::SearchVariable())}},
    {"MissingLibrary", {{"bin/KxApp/" + LibraryName("Solver"), Gone}}, {}, 1,
     "bin/KxApp/Solver.so",
     {UnknownDependence, "-> Package Solver (bin/KxApp/Solver.so) cannot be loaded: the file ",
     "-> An application of NevraPreLoadApp.xml could not be registered: Package Solver"},
     {"PROBLEM  application Solver.so -> bin/KxApp/Solver.so",
     "$I/bin/KxApp/Solver.so does not exist"}},
    {"MissingEntryPoints",
     {{"bin/KxApp/" + LibraryName("Mesher"),
       ReadFile(DemoDir + "/bin/KxApp/" + LibraryName("Legacy"))}},
     {}, 1, "bin/KxApp/Mesher.so", {"FATAL Could not get init/exit address, path=",
     "Package Mesher (bin/KxApp/Mesher.so) cannot start: it must export MesherInit "
     "and MesherExit (named after the file Mesher.so), but it exports LegacyExit, " "LegacyInit"},
     {"it does not export MesherInit, MesherExit (it exports LegacyExit, LegacyInit"}},
    {"RefusedSearchPath", {}, {{"KALDOR_REFUSE_PATHS", "nowhere|" + Native("Resource/Solver")}}, 1,
     "Resource/Solver/", {"FATAL External Failed",
     "Package Solver (bin/KxApp/Solver.so) was not registered: the host refuses "
     "the search path ", "(KALDOR_REFUSE_PATHS contains \"Resource/Solver\")"},
     {"the host refuses the search path "}},
    {"RootWithoutSettingFile", {{"bin/KxApp/Resource/DemoUnits/Configures", Gone}}, {}, 1,
     "Resource/DemoUnits/", {"FATAL InternalPre Failed",
     "A pre-load module of NevraPreLoad.xml could not be registered: Package "
     "DemoUnits (bin/DemoUnits.so) was not registered: the resource root ", "has no setting file"},
     {"Resource/DemoUnits/ has no setting file"}},
    {"SettingsTreeUnderAFile", {{"logs/Nevra/cae_pr_", "a file where the settings tree belongs"}},
     {{"KALDOR_FOLDER_6", "$I/logs"}}, 1, "", {"FATAL InternalPre Failed",
     "before its library was loaded: its setting files could not be copied into the user's "
     "folders: $I/logs/Nevra/cae_pr_ is not a folder (Not a directory)."}, {NoProblems},
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
        EXPECT_TRUE(command[0] == "run" ||
                    Portable(result.out).find("/Icons/") == std::string::npos)
            << "paths answered after a failure";
    }
}

INSTANTIATE_TEST_SUITE_P(Installations, KaldorAgreement,
                         ::testing::Range<std::size_t>(0, std::size(rows)),
                         [](const auto& info) { return rows[info.param].name; });

TEST(KaldorBroken, JsonTellsOfAFailedStartUp) {
    const DemoCopy demo;
    demo.Set("apps/" + LibraryName("PlotMath"), Gone);
    const ProcessResult conflicts = demo.Kaldor({"conflicts", "--json"});
    EXPECT_EQ(conflicts.exitCode, 1);
    ExpectSays(conflicts.out, {"\"succeeded\": false", "\"record\": \"External Failed\""});
    const ProcessResult run = demo.Kaldor({"run", "--json"});
    EXPECT_EQ(run.exitCode, 1);
    ExpectSays(run.out, {"\"importFailure\": \"the dll has unknown dependence",
                         "cannot be loaded: its dependency PlotMath.so is missing"});
}

} // namespace

} // namespace kaldor::test
