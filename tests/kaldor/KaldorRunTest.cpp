// kaldor as a process: its command line, and every command on an intact demo installation.
#include "KaldorTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <filesystem>
#include <fstream>
#include <map>

namespace kaldor::test {

namespace {

using ::testing::Contains;

// The first line a command line prints: on standard output after success, on standard error
// otherwise, where a usage error is followed by the pointer to --help. The command-line
// library's own messages are its business: those rows check only the exit code and the pointer.
TEST(KaldorCommandLine, ExitCodesAndFirstLines) {
    const std::string library; // a usage error the command-line library words
    const struct {
        Texts arguments;
        int exitCode;
        std::string firstLine;
    } rows[] = {
        {{}, 2, library},
        {{"run", "check"}, 2, library},
        {{"help", "start"}, 2, library},
        {{"run", "--install", ""}, 2, "kaldor: --install: needs a directory"},
        {{"run", "--trace", ""}, 2, "kaldor: --trace: needs a file"},
        {{"check", "--trace", "t.json"}, 2, "kaldor: --trace belongs to run, not to check"},
        {{"run", "--timeout", "0"}, 2, "kaldor: --timeout: needs a number of seconds above 0"},
        {{"run", "--timeout", "1s"}, 2, "kaldor: --timeout: needs a number of seconds above 0"},
        {{"recover", "--timeout", "1"}, 2, "kaldor: --timeout belongs to run, not to recover"},
        {{"--trace", "t.json", "paths", "icons"},
         2,
         "kaldor: --trace belongs to run, not to paths"},
        {{"paths", "8"},
         2,
         "kaldor: unknown resource type '8'; the types are commands, actions, "
         "context, forms, icons, qrc, text, doc (or 0 to 7)"},
        {{"run", "--install=/nonexistent/kaldor"},
         3,
         "kaldor: the installation directory /nonexistent/kaldor does not exist"},
        {{"--install", DemoDir + "/bin", "check"},
         3,
         "kaldor: " + DemoDir + "/bin is not an installation: it has no bin/Orvane.so"},
        {{"--install", "x", "run", "--help", "--verbose"},
         0,
         "Starts the installation (OrvaneInit) and prints the start-up result, the package"},
    };
    for (const auto& row : rows) {
        const ProcessResult result = RunKaldor(row.arguments);
        const std::string& said = row.exitCode == 0 ? result.out : result.err;
        EXPECT_EQ(result.exitCode, row.exitCode) << said;
        if (!row.firstLine.empty()) {
            EXPECT_EQ(Portable(said.substr(0, said.find('\n'))), row.firstLine);
        }
        if (row.exitCode == 2) {
            EXPECT_THAT(said, ::testing::EndsWith("\nRun 'kaldor --help' for the commands and "
                                                  "options.\n"));
        }
    }
}

// The generated help carries what the parser does not know by itself.
TEST(KaldorCommandLine, HelpNamesTheCommandsTypesAndExitCodes) {
    ExpectSays(RunKaldor({"--help"}).out,
               {"Usage: kaldor [OPTIONS] <command>\n", "  --install DIR ",
                "  conflicts [TYPE]  list resource names defined more than once\n",
                "Resource types: commands, actions,", "Exit codes: 0 success;"});
    ExpectSays(RunKaldor({"run", "--help"}).out,
               {"Usage: kaldor run [OPTIONS]\n", "  --trace FILE ", "  --json "});
    ExpectSays(RunKaldor({"conflicts", "--help"}).out,
               {"Usage: kaldor conflicts [OPTIONS] [TYPE]\n", "TYPE: commands, actions,"});
}

TEST(KaldorRun, BringsTheDemoUpAndReportsTreePathsConflictsAndTimings) {
    const DemoCopy demo;
    // First a dry run, which must find nothing and leave no trace in the events below.
    const ProcessResult check = demo.Kaldor({"check"});
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    ExpectSays(check.out,
               {"No problems found.", "skipped  pre-load DemoSelfTest (qa=\"1\": not loaded)",
                "skipped  application Legacy.so (load=\"0\": switched off)"});
    EXPECT_FALSE(Exists(demo.Home() + "/logs")) << "check started the platform";
    const ProcessResult run = demo.Kaldor({"run"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    // The tree shows the mesher owning the plug-in it registered from inside its Init.
    ExpectSays(run.out,
               {"Start-up: succeeded (OrvaneInit returned 0",
                "Greeting: Hello from the installation", "] bin/KxApp/Solver.so\n",
                "] bin/KxApp/Mesher.so\n    [", "] bin/KxApp/Plugins/MeshRefine.so  (owner ",
                "] apps/Plotter.so\n", "  bin/KxApp/Resource/DemoCore/qrc/\n",
                "  icons    1: open.svg (2 files)\n", "  commands none\n",
                "      External Register", "  bin/Orvane.so (InternalPost)",
                "Log: " + demo.Home() + "/logs/Nevra/KxLog.log\n"});
    EXPECT_EQ(Portable(run.out).find("Legacy.so"), std::string::npos);
    EXPECT_EQ(run.err, "");

    // Every enabled package ran, in load-list order, and every one went down again, the
    // post-load module first.
    const auto events = ReadLines(demo.Events());
    const Texts names{"DemoCore",   "DemoUnits", "Solver",    "Mesher",
                      "MeshRefine", "Plotter",   "DemoReport"};
    ASSERT_EQ(events.size(), 2 * names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(events[i], "Init " + names[i]);
        EXPECT_THAT(events, Contains("Exit " + names[i]));
    }
    EXPECT_EQ(events[7], "Exit DemoReport");
    // The core module's database module reached the host, and its browser profile the GUI.
    ExpectSays(ReadFile(demo.Trace()),
               {"KxDbRegister\t4711\t0\t0\n",
                "KxLoadSimBrowserProfile\t$I/bin/KxApp/Resource/DemoCore/Profile/"
                "simbrowser_profile.json\t0\n"},
               demo.Install());
}

TEST(KaldorRun, JsonCarriesTheSameFacts) {
    const DemoCopy demo;
    const ProcessResult run = demo.Kaldor({"run", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const QJsonObject report = QJsonDocument::fromJson(run.out.c_str()).object();
    EXPECT_TRUE(report["succeeded"].toBool());
    const QJsonArray packages = report["packages"].toArray();
    ASSERT_EQ(packages.size(), 4);
    const auto path = [](const QJsonValue& value) {
        return Portable(value.toString().toStdString());
    };
    EXPECT_THAT(path(packages[1]["path"]), ::testing::EndsWith("bin/KxApp/Mesher.so"));
    EXPECT_EQ(packages[2]["owner"].toInt(), packages[1]["id"].toInt());
    EXPECT_EQ(packages[2]["depth"].toInt(), 1);
    EXPECT_EQ(report["conflicts"][4]["type"].toString(), "icons");
    EXPECT_EQ(report["conflicts"][4]["count"].toInt(), 1);

    QStringList stages;
    std::map<QString, int> milliseconds;
    for (const QJsonValue stage : report["stages"].toArray()) {
        stages << stage["name"].toString();
        milliseconds[stages.back()] = stage["milliseconds"].toInt(-1);
    }
    // Times move with the machine, nesting does not: a stage takes no less than one inside it.
    EXPECT_GE(milliseconds["External Register"], 0);
    EXPECT_GE(milliseconds["PlatformBuild"], milliseconds["External Register"]);
    EXPECT_GE(milliseconds["OrvaneInit"], milliseconds["PlatformBuild"]);
    EXPECT_EQ(stages.mid(0, 7), (QStringList{"OrvaneInit", "PlatformPreBuild", "PlatformBuild",
                                             "InternalPre Register", "External Register",
                                             "InternalPost Register", "PlatformPostBuild"}));
    // Nine imports: the platform twice, two pre-load modules, three applications and the
    // plug-in the mesher registers from inside its Init, one post-load module; each with its
    // Init's result and time.
    const QJsonArray imports = report["packageTimes"].toArray();
    ASSERT_EQ(imports.size(), 9);
    for (const QJsonValue item : imports) {
        EXPECT_EQ(item["initResult"].toInt(-99), 0);
        EXPECT_GE(item["initMilliseconds"].toInt(-1), 0);
        EXPECT_LE(item["initMilliseconds"].toInt(), milliseconds["PlatformBuild"]);
    }
    EXPECT_THAT(path(imports[5]["path"]), ::testing::EndsWith("/MeshRefine.so"));
    EXPECT_EQ(imports[5]["depth"].toInt(), 1);
}

// The trace holds the timeline as complete events on one thread, which a viewer nests by time
// alone: so every package's import and Init must lie inside its stage, a plug-in's inside the
// Init that registered it, and every Exit inside OrvaneExit.
TEST(KaldorRun, TraceNestsStagesPackagesAndExitsWithPathsAndIds) {
    const DemoCopy demo;
    const std::string file = demo.Home() + "/startup.json";
    // An earlier, longer trace goes whole.
    ASSERT_TRUE((std::ofstream(file) << std::string(1 << 16, 'x')).flush().good());
    const ProcessResult run = demo.Kaldor({"run", "--json", "--trace", file});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::map<QString, int> ids;
    for (const QJsonValue package :
         QJsonDocument::fromJson(run.out.c_str())["packages"].toArray()) {
        ids[package["path"].toString()] = package["id"].toInt();
    }
    const QJsonObject trace = QJsonDocument::fromJson(ReadFile(file).c_str()).object();
    struct Span {
        double begin, end;
        QJsonObject args;
    };
    std::map<QString, Span> spans; // by name; the demo loads every file once
    for (const QJsonValue event : trace["traceEvents"].toArray()) {
        if (event["ph"] == "M") {
            continue;
        }
        ASSERT_EQ(event["ph"], "X");
        const double begin = event["ts"].toDouble(-1);
        const double duration = event["dur"].toDouble(-1);
        ASSERT_GE(begin, 0);
        ASSERT_GE(duration, 0);
        const QString name =
            QString::fromStdString(Portable(event["name"].toString().toStdString()));
        spans[name] = {begin, begin + duration, event["args"].toObject()};
    }
    const auto expectInside = [&](const QString& inner, const QString& outer) {
        ASSERT_EQ(spans.count(inner), 1u) << inner.toStdString();
        ASSERT_EQ(spans.count(outer), 1u) << outer.toStdString();
        EXPECT_GE(spans[inner].begin, spans[outer].begin) << inner.toStdString();
        EXPECT_LE(spans[inner].end, spans[outer].end) << inner.toStdString();
    };
    expectInside("PlatformBuild", "OrvaneInit");
    expectInside("External Register", "PlatformBuild");
    for (const QString app : {"Solver.so", "Mesher.so", "Plotter.so"}) {
        expectInside(app + " import", "External Register");
        expectInside(app + " Init", "External Register");
        expectInside(app + " Exit", "OrvaneExit");
        const QJsonObject args = spans[app + " Init"].args;
        EXPECT_EQ(args["id"].toInt(-1), ids.at(args["path"].toString())) << app.toStdString();
        EXPECT_EQ(args["result"].toInt(-1), 0);
        EXPECT_EQ(spans[app + " import"].args["path"], args["path"]);
    }
    expectInside("MeshRefine.so import", "Mesher.so Init");
    expectInside("MeshRefine.so Init", "Mesher.so Init");
    expectInside("DemoReport.so Init", "InternalPost Register");
    EXPECT_LE(spans["OrvaneInit"].end, spans["OrvaneExit"].begin);
}

// The bundled demo is what a first user runs: in the host's language, and with user folders
// that stay out of the real home.
TEST(KaldorRun, BundledDemoInGermanKeepsItsUserFoldersOutOfTheRealHome) {
    const DemoCopy sandbox; // only for a home that must stay untouched
    const std::string demoHome = DemoDir.substr(0, DemoDir.rfind('/')) + "/demo-home";
    // The demo's home outlives a run: the log found afterwards must be this run's.
    std::filesystem::remove(demoHome + "/logs/Nevra/KxLog.log");
    const ProcessResult run = RunKaldor(
        {"run"},
        {{"KALDOR_HOME", std::nullopt}, {"HOME", sandbox.Home()}, {"KALDOR_LANGUAGE", "German"}});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    // Windows names the demo's folder with its drive.
    const std::string systemDemoHome = Portable(std::filesystem::absolute(demoHome).string());
    ExpectSays(run.out, {"User folders: " + systemDemoHome + " (KALDOR_HOME, set for the demo)",
                         "Language: German (de_DE)", "Greeting: Hallo aus der Installation",
                         "    bin/KxApp/Resource/DemoCore/Languages/de_DE/Language_de_DE.qm\n",
                         "Languages/de_DE/doc/context.txt",
                         "  bin/KxApp/Resource/Solver/Languages/de_DE/\n"});
    EXPECT_TRUE(Exists(demoHome + "/logs/Nevra/KxLog.log"));
    EXPECT_FALSE(Exists(sandbox.Home() + "/.kaldor"));
}

TEST(KaldorRun, PathsAndConflictsAnswerForOneType) {
    const DemoCopy demo;
    const ProcessResult paths = demo.Kaldor({"paths", "--json", "icons"});
    ASSERT_EQ(paths.exitCode, 0) << paths.err;
    const QJsonArray list = QJsonDocument::fromJson(paths.out.c_str()).object()["paths"].toArray();
    EXPECT_EQ(list.size(), 8); // the platform's root and seven package roots
    for (const auto& path : list) {
        EXPECT_THAT(Portable(path.toString().toStdString()), ::testing::EndsWith("/Icons/"));
    }
    const ProcessResult byNumber = demo.Kaldor({"paths", "4"});
    EXPECT_EQ(byNumber.exitCode, 0);
    ExpectSays(byNumber.out, {"$I/bin/KxApp/Resource/Solver/Icons/\n"}, demo.Install());

    const ProcessResult conflicts = demo.Kaldor({"conflicts", "icons"});
    ASSERT_EQ(conflicts.exitCode, 0) << conflicts.err;
    ExpectSays(conflicts.out,
               {"icons: 1 defined more than once\n  open.svg\n",
                "$I/bin/KxApp/Resource/Solver/Icons/open.svg",
                "$I/bin/KxApp/Resource/DemoCore/Icons/open.svg"},
               demo.Install());
    EXPECT_EQ(demo.Kaldor({"conflicts", "context"}).out, "context: no conflicts\n");
}

} // namespace

} // namespace kaldor::test
