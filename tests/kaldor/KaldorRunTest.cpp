// kaldor on an intact demo installation.
#include "KaldorTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <filesystem>

namespace kaldor::test {

namespace {

using ::testing::HasSubstr;

QJsonObject ParseJson(const std::string& text) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text;
    return document.object();
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(KaldorRun, BringsTheDemoUpAndReportsTreePathsConflictsAndTimings) {
    const DemoCopy demo;
    const ProcessResult run = demo.Kaldor({"run"});

    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_THAT(run.out, HasSubstr("Start-up: succeeded (OrvaneInit returned 0"));
    // The tree: the mesher owns the plug-in it registered from inside its Init.
    EXPECT_THAT(run.out, HasSubstr("] bin/KxApp/Solver.so\n"));
    EXPECT_THAT(run.out, HasSubstr("] bin/KxApp/Mesher.so\n    ["));
    EXPECT_THAT(run.out, HasSubstr("] bin/KxApp/Plugins/MeshRefine.so  (owner "));
    EXPECT_THAT(run.out, HasSubstr("] apps/Plotter.so\n"));
    EXPECT_EQ(run.out.find("Legacy.so"), std::string::npos);
    EXPECT_THAT(run.out, HasSubstr("  bin/KxApp/Resource/DemoCore/qrc/\n"));
    EXPECT_THAT(run.out, HasSubstr("  icons    1: open.svg (2 files)\n"));
    EXPECT_THAT(run.out, HasSubstr("  commands none\n"));
    EXPECT_THAT(run.out, HasSubstr("      External Register"));
    EXPECT_THAT(run.out, HasSubstr("  bin/Orvane.so (InternalPost)"));
    EXPECT_THAT(run.out, HasSubstr("Log: " + demo.Home() + "/logs/Nevra/KxLog.log\n"));
    EXPECT_EQ(run.err, "");

    // Every enabled package ran, in load-list order, and every one went down again, the
    // post-load module first.
    const auto events = demo.EventLines();
    const std::vector<std::string> inits{"Init DemoCore",  "Init DemoUnits",  "Init Solver",
                                         "Init Mesher",    "Init MeshRefine", "Init Plotter",
                                         "Init DemoReport"};
    ASSERT_EQ(events.size(), 2 * inits.size());
    EXPECT_EQ(std::vector<std::string>(events.begin(), events.begin() + 7), inits);
    EXPECT_EQ(events[7], "Exit DemoReport");
    for (const auto& init : inits) {
        EXPECT_TRUE(HasLine(events, "Exit" + init.substr(4))) << init;
    }
    // The core module's database module reached the host, and its browser profile the GUI.
    const auto trace = ReadLines(demo.Trace());
    EXPECT_TRUE(HasLine(trace, "KxDbRegister\t4711\t0\t0"));
    EXPECT_TRUE(HasLine(trace, "KxLoadSimBrowserProfile\t" +
                                   demo.Path("bin/KxApp/Resource/DemoCore/Profile/"
                                             "simbrowser_profile.json") +
                                   "\t0"));
}

TEST(KaldorRun, JsonCarriesTheSameFacts) {
    const DemoCopy demo;
    const ProcessResult run = demo.Kaldor({"run", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const QJsonObject report = ParseJson(run.out);

    EXPECT_TRUE(report["succeeded"].toBool());
    const QJsonArray packages = report["packages"].toArray();
    ASSERT_EQ(packages.size(), 4);
    const QJsonObject mesher = packages[1].toObject();
    const QJsonObject plugin = packages[2].toObject();
    EXPECT_TRUE(mesher["path"].toString().endsWith("bin/KxApp/Mesher.so"));
    EXPECT_EQ(plugin["owner"].toInt(), mesher["id"].toInt());
    EXPECT_EQ(plugin["depth"].toInt(), 1);

    int iconConflicts = -1;
    for (const auto& item : report["conflicts"].toArray()) {
        if (item.toObject()["type"].toString() == "icons") {
            iconConflicts = item.toObject()["count"].toInt();
        }
    }
    EXPECT_EQ(iconConflicts, 1);

    QStringList stages;
    for (const auto& stage : report["stages"].toArray()) {
        EXPECT_TRUE(stage.toObject().contains("milliseconds"));
        stages << stage.toObject()["name"].toString();
    }
    EXPECT_EQ(stages.mid(0, 7), (QStringList{"OrvaneInit", "PlatformPreBuild", "PlatformBuild",
                                             "InternalPre Register", "External Register",
                                             "InternalPost Register", "PlatformPostBuild"}));
    // Nine imports: the platform twice, two pre-load modules, four applications and the
    // plug-in, one post-load module; each with its Init result.
    const QJsonArray imports = report["packageTimes"].toArray();
    EXPECT_EQ(imports.size(), 9);
    for (const auto& item : imports) {
        EXPECT_EQ(item.toObject()["initResult"].toInt(-99), 0);
    }
}

TEST(KaldorRun, GermanHostUsesTheGermanResources) {
    const DemoCopy demo;
    const ProcessResult run = demo.Kaldor({"run"}, {{"KALDOR_LANGUAGE", "German"}});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_THAT(run.out, HasSubstr("Language: German (de_DE)"));
    EXPECT_THAT(run.out, HasSubstr("Greeting: Hallo aus der Installation"));
    EXPECT_THAT(run.out,
                HasSubstr("    bin/KxApp/Resource/DemoCore/Languages/de_DE/Language_de_DE.qm\n"));
    EXPECT_THAT(run.out, HasSubstr("Languages/de_DE/doc/context.txt"));
    EXPECT_THAT(run.out, HasSubstr("  bin/KxApp/Resource/Solver/Languages/de_DE/\n"));

    const ProcessResult english = demo.Kaldor({"run"});
    EXPECT_THAT(english.out, HasSubstr("Greeting: Hello from the installation"));
}

TEST(KaldorRun, BundledDemoKeepsItsUserFoldersOutOfTheRealHome) {
    const DemoCopy sandbox; // only for a home that must stay untouched
    const ProcessResult run =
        RunKaldor({"run"}, {{"KALDOR_HOME", std::nullopt}, {"HOME", sandbox.Home()}});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    const std::string demoHome =
        std::filesystem::path(DemoDir()).parent_path().string() + "/demo-home";
    EXPECT_THAT(run.out,
                HasSubstr("User folders: " + demoHome + " (KALDOR_HOME, set for the demo)"));
    EXPECT_TRUE(std::filesystem::exists(demoHome + "/logs/Nevra/KxLog.log"));
    EXPECT_FALSE(std::filesystem::exists(sandbox.Home() + "/.kaldor"));
}

TEST(KaldorRun, PathsAndConflictsAnswerForOneType) {
    const DemoCopy demo;
    const ProcessResult paths = demo.Kaldor({"paths", "icons", "--json"});
    ASSERT_EQ(paths.exitCode, 0) << paths.err;
    const QJsonArray list = ParseJson(paths.out)["paths"].toArray();
    EXPECT_EQ(list.size(), 8); // the platform's root and seven package roots
    for (const auto& path : list) {
        EXPECT_TRUE(path.toString().endsWith("/Icons/")) << path.toString().toStdString();
    }

    const ProcessResult byNumber = demo.Kaldor({"paths", "4"});
    EXPECT_EQ(byNumber.exitCode, 0);
    EXPECT_THAT(byNumber.out, HasSubstr(demo.Path("bin/KxApp/Resource/Solver/Icons/\n")));

    const ProcessResult conflicts = demo.Kaldor({"conflicts", "icons"});
    ASSERT_EQ(conflicts.exitCode, 0) << conflicts.err;
    EXPECT_THAT(conflicts.out, HasSubstr("icons: 1 defined more than once\n  open.svg\n"));
    EXPECT_THAT(conflicts.out, HasSubstr(demo.Path("bin/KxApp/Resource/Solver/Icons/open.svg")));
    EXPECT_THAT(conflicts.out, HasSubstr(demo.Path("bin/KxApp/Resource/DemoCore/Icons/open.svg")));

    const ProcessResult context = demo.Kaldor({"conflicts", "context"});
    EXPECT_EQ(context.out, "context: no conflicts\n");
}

TEST(KaldorRun, CheckFindsNothingWrongAndRunsNoPackageCode) {
    const DemoCopy demo;
    const ProcessResult check = demo.Kaldor({"check"});
    EXPECT_EQ(check.exitCode, 0) << check.out;
    EXPECT_THAT(check.out, HasSubstr("No problems found."));
    EXPECT_THAT(check.out, HasSubstr("skipped  pre-load DemoSelfTest (qa=\"1\": not loaded)"));
    EXPECT_THAT(check.out, HasSubstr("skipped  application Legacy.so (load=\"0\": switched off)"));
    EXPECT_FALSE(std::filesystem::exists(demo.Events()));
    EXPECT_FALSE(std::filesystem::exists(demo.Home() + "/logs"));
}

} // namespace

} // namespace kaldor::test
