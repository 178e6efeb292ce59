// Recovery from a package that crashes or hangs start-up: the log read back by the kit's library
// (start-ups told apart, lines cut off, other hosts' records), and kaldor run, recover and
// recover --disable as processes on demo copies with real packages that never come back.
#include "KaldorTestSupport.h"

#include <LoadListFile.h>
#include <orvane/recovery/StartupRecovery.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace kaldor::test {

namespace {

using namespace orvane::recovery;
using ::testing::HasSubstr;
namespace Platform = VELMORA::NEVRA::Platform;

// The records of a start-up that brings up the platform's pre-load package with module ModA,
// then application Alpha; what follows each row's prefix is the row's own.
const Texts StartToAlpha{"OrvaneInit Begin",
                         "PlatformPreBuild Begin",
                         "PlatformPreBuild End",
                         "PlatformBuild Begin",
                         "InternalPre Register Begin",
                         "App Init Begin",
                         "/i/bin/Orvane.so",
                         "App Init End",
                         "App Init Begin",
                         "/i/bin/ModA.so",
                         "App Init End",
                         "init=1 return=0",
                         "init=1 return=0",
                         "InternalPre Register End",
                         "External Register Begin",
                         "App Init Begin",
                         "/i/bin/KxApp/Alpha.so",
                         "App Init End"};
const Texts FinishFromAlpha{
    "init=1 return=0",           "External Register End", "InternalPost Register Begin",
    "InternalPost Register End", "PlatformBuild End",     "PlatformPostBuild Begin",
    "PlatformPostBuild End",     "OrvaneInit End"};

Texts Join(std::initializer_list<Texts> parts) {
    Texts joined;
    for (const auto& part : parts) {
        joined.insert(joined.end(), part.begin(), part.end());
    }
    return joined;
}

// Every message a log line of its own, a millisecond apart; `cut` ends the file with a line
// that has no line end.
LastStartup ReadBack(const Texts& messages, const std::string& cut) {
    QTemporaryDir dir;
    const std::string file = dir.path().toStdString() + "/KxLog.log";
    std::ofstream out(file, std::ios::binary);
    int ms = 100;
    for (const auto& message : messages) {
        out << "2026-03-01T10:00:00." << ms++ << "\tINFO\tOrvane\tKxPackage\t1\t" << message
            << "\n";
    }
    out << cut;
    out.close();
    return LastStartup::FromLog(file);
}

TEST(RecoveryLastStartup, TellsStartUpsApartAndNamesTheOpenCall) {
    const std::string cutLine = "2026-03-01T10:00:01.000\tINFO\tOrvane\tKxPackage\t1\tApp Init";
    const Texts alphaImportsChild{"App Init Begin", "/i/bin/KxApp/Child.so"};
    const Texts modImportsChild = {
        "OrvaneInit Begin", "PlatformBuild Begin", "InternalPre Register Begin",
        "App Init Begin",   "/i/bin/Orvane.so",    "App Init End",
        "App Init Begin",   "/i/bin/ModA.so",      "App Init End",
        "App Init Begin",   "/i/bin/Sub/Child.so", "App Init End"};
    const Texts finished = Join({StartToAlpha, FinishFromAlpha});
    // The same start-up as another host writes it while this one starts: its first record
    // before this one's, its last after.
    Texts twoHosts = Join({{"OrvaneInit Begin"}, StartToAlpha});
    twoHosts.insert(twoHosts.end(), FinishFromAlpha.begin(), FinishFromAlpha.end());
    twoHosts.insert(twoHosts.end(), FinishFromAlpha.begin(), FinishFromAlpha.end());
    // clang-format off
    const struct {
        const char* name;
        Texts messages;
        std::string cut;
        bool found, finished;
        std::string stage, path;
        PackageKind kind;
        PackageCall call;
        std::string parent, listed;
    } rows[] = {
        {"empty log", {}, "", false, true, "", "", PackageKind::Application, PackageCall::Init},
        {"finished", finished, "", true, true, "", "", PackageKind::Application, PackageCall::Init},
        {"finished, then shut down half-way",
         Join({finished, {"OrvaneExit Begin", "App Exit Begin", "/i/bin/KxApp/Alpha.so"}}), "",
         true, true, "", "", PackageKind::Application, PackageCall::Init},
        {"application in Init", StartToAlpha, "", true, false, "External Register",
         "/i/bin/KxApp/Alpha.so", PackageKind::Application, PackageCall::Init},
        {"a cut last line is not read", StartToAlpha, cutLine, true, false, "External Register",
         "/i/bin/KxApp/Alpha.so", PackageKind::Application, PackageCall::Init},
        {"child in import", Join({StartToAlpha, alphaImportsChild}), "", true, false,
         "External Register", "/i/bin/KxApp/Child.so", PackageKind::Child, PackageCall::Import,
         "/i/bin/KxApp/Alpha.so", "/i/bin/KxApp/Alpha.so"},
        {"pre-load module in Init", Texts(StartToAlpha.begin(), StartToAlpha.begin() + 11), "",
         true, false, "InternalPre Register", "/i/bin/ModA.so", PackageKind::PreLoadModule,
         PackageCall::Init},
        {"platform package between its modules",
         Texts(StartToAlpha.begin(), StartToAlpha.begin() + 12), "", true, false,
         "InternalPre Register", "/i/bin/Orvane.so", PackageKind::Platform, PackageCall::Init},
        {"child of a pre-load module in Init", modImportsChild, "", true, false,
         "InternalPre Register", "/i/bin/Sub/Child.so", PackageKind::Child, PackageCall::Init,
         "/i/bin/ModA.so", "/i/bin/ModA.so"},
        {"interrupted earlier, finished last", Join({StartToAlpha, finished}), "", true, true, "",
         "", PackageKind::Application, PackageCall::Init},
        {"two hosts, both finished", twoHosts, "", true, true, "", "", PackageKind::Application,
         PackageCall::Init},
        {"in PreBuild, no package", {"OrvaneInit Begin", "PlatformPreBuild Begin"}, "", true, false,
         "PlatformPreBuild", "", PackageKind::Application, PackageCall::Init},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const LastStartup last = ReadBack(row.messages, row.cut);
        EXPECT_EQ(last.Found(), row.found);
        EXPECT_EQ(last.Finished(), row.found && row.finished);
        EXPECT_EQ(last.Stage(), row.stage);
        ASSERT_EQ(last.Package().has_value(), !row.path.empty());
        if (const auto& package = last.Package()) {
            EXPECT_EQ(package->path, row.path);
            EXPECT_EQ(package->kind, row.kind);
            EXPECT_EQ(package->call, row.call);
            EXPECT_EQ(package->parent, row.parent);
            EXPECT_EQ(package->listed, row.listed);
        }
    }
}

TEST(RecoveryLastStartup, LogTimesReadBackAsWritten) {
    for (const char* text :
         {"2026-03-01 23:59:59.250", "1999-12-31 00:00:00.000", "2024-02-29 12:30:05.007"}) {
        EXPECT_EQ(FormatLogTime(ParseLogTime(text).value()), text);
    }
}

// Real packages of the test build put into a demo copy, one of them set to fail its Init.
class FailingDemo final {
public:
    FailingDemo() {
        app_ = demo_.Path("bin/KxApp/Resource/Orvane/NevraPreLoadApp.xml");
        original_ = ReadFile(app_);
    }

    const DemoCopy& Demo() const { return demo_; }
    std::string AppList() const { return app_; }
    const std::string& Original() const { return original_; }

    // `name` (a test package) copied into the folder `relative` with `behaviour`, and listed in
    // `list` with `entry` before the root's end tag `rootEnd`; no list for a child.
    void Add(const std::string& name, const std::string& relative, const std::string& behaviour,
             const std::string& list = "", const std::string& entry = "",
             const std::string& rootEnd = "") {
        fs::create_directories(demo_.Path(relative));
        fs::copy_file(orvane::test::TestPackagesDir() + "/" + LibraryName(name),
                      demo_.Path(relative + "/" + LibraryName(name)));
        demo_.Set(relative + "/" + name + ".txt", behaviour);
        if (!list.empty()) {
            std::string text = ReadFile(demo_.Path(list));
            text.replace(text.find(rootEnd), 0, entry);
            demo_.Set(list, text);
            if (list == "bin/KxApp/Resource/Orvane/NevraPreLoadApp.xml") {
                original_ = text;
            }
        }
    }

    ProcessResult Kaldor(Texts arguments) const {
        return demo_.Kaldor(std::move(arguments), {{"ORVANE_TEST_EVENTS", demo_.Events()}});
    }

private:
    DemoCopy demo_;
    std::string app_;
    std::string original_;
};

const std::string AppList = "bin/KxApp/Resource/Orvane/NevraPreLoadApp.xml";

// Alpha as an application; with `child`, Alpha registers Child, which fails instead.
void AddApplication(FailingDemo& demo, const std::string& how, bool child) {
    demo.Add("Alpha", "bin/KxApp",
             child ? "register Plugins/" + LibraryName("Child") + "\n" : "init-fail " + how + "\n",
             AppList, "<App path=\"" + LibraryName("Alpha") + "\" load=\"1\"/>\n", "</Apps>");
    if (child) {
        demo.Add("Child", "bin/KxApp/Plugins", "init-fail " + how + "\n");
    }
}

TEST(KaldorRecover, NamesThePackageThatCrashedOrHungStartUp) {
    const std::string preList = "bin/KxApp/Resource/Orvane/NevraPreLoad.xml";
    const std::string postList = "bin/KxApp/Resource/Orvane/NevraPostLoad.xml";
    const struct {
        const char* how;
        const char* where;
        std::string path, kind, stage, parent;
    } rows[] = {
        {"segv", "application", "bin/KxApp/Alpha.so", "application", "External Register", ""},
        {"abort", "application", "bin/KxApp/Alpha.so", "application", "External Register", ""},
        {"exit", "application", "bin/KxApp/Alpha.so", "application", "External Register", ""},
        {"hang", "application", "bin/KxApp/Alpha.so", "application", "External Register", ""},
        {"abort", "pre-load", "bin/ModA.so", "pre-load module", "InternalPre Register", ""},
        {"hang", "pre-load", "bin/ModA.so", "pre-load module", "InternalPre Register", ""},
        {"segv", "post-load", "bin/ModB.so", "post-load module", "InternalPost Register", ""},
        {"segv", "child", "bin/KxApp/Plugins/Child.so", "package registered by another",
         "External Register", "bin/KxApp/Alpha.so"},
        {"hang", "child", "bin/KxApp/Plugins/Child.so", "package registered by another",
         "External Register", "bin/KxApp/Alpha.so"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.how) + " in " + row.where);
        FailingDemo failing;
        const std::string where = row.where;
        if (where == "application" || where == "child") {
            AddApplication(failing, row.how, where == "child");
        } else if (where == "pre-load") {
            failing.Add("ModA", "bin", std::string("init-fail ") + row.how + "\n", preList,
                        "<module name=\"ModA\" qa=\"0\"/>\n", "</Modules>");
        } else {
            failing.Add("ModB", "bin", std::string("init-fail ") + row.how + "\n", postList,
                        "<module name=\"ModB\" qa=\"0\"/>\n", "</Modules>");
        }
        const DemoCopy& demo = failing.Demo();
        const std::string hung = demo.Home() + "/hung.json";
        const bool hangs = std::string(row.how) == "hang";
        const ProcessResult run =
            failing.Kaldor(hangs ? Texts{"run", "--timeout", "1", "--trace", hung} : Texts{"run"});
        EXPECT_NE(run.exitCode, 0) << run.out << run.err;
        if (hangs) {
            // Named while it hangs, and the trace so far holds its open Init.
            EXPECT_EQ(run.exitCode, 5) << run.err;
            EXPECT_THAT(Portable(run.err),
                        HasSubstr("kaldor: start-up has not finished after 1 s: `" + row.path +
                                  "`'s Init has been running since "));
            EXPECT_THAT(ReadFile(hung), HasSubstr("\"finished\":false"));
        }

        const ProcessResult recover = failing.Kaldor({"recover", "--json"});
        EXPECT_EQ(recover.exitCode, 1) << recover.out << recover.err;
        const QJsonObject last =
            QJsonDocument::fromJson(recover.out.c_str()).object()["lastStartup"].toObject();
        EXPECT_FALSE(last["finished"].toBool(true));
        EXPECT_EQ(last["stage"].toString().toStdString(), row.stage);
        const QJsonObject package = last["package"].toObject();
        EXPECT_EQ(Portable(package["path"].toString().toStdString()), demo.Path(row.path));
        EXPECT_EQ(package["kind"].toString().toStdString(), row.kind);
        EXPECT_EQ(package["call"].toString(), "Init");
        EXPECT_EQ(Portable(package["parent"].toString().toStdString()),
                  row.parent.empty() ? "" : demo.Path(row.parent));

        // The next run says so before anything else.
        const ProcessResult next = failing.Kaldor({"run", "--timeout", "1"});
        EXPECT_EQ(Portable(next.out).rfind("The last start-up ended inside `" + row.path +
                                               "`'s Init (" + row.stage + ", ",
                                           0),
                  0u)
            << next.out;
    }
}

TEST(KaldorRecover, DisableSkipsTheApplicationNextTimeAndTheCopyUndoesIt) {
    FailingDemo failing;
    AddApplication(failing, "segv", false);
    const DemoCopy& demo = failing.Demo();
    const std::string pending = demo.Path("bin/KxApp/Resource/Orvane/NevraPreLoadApp.tmp.xml");
    const std::string previous =
        demo.Path("bin/KxApp/Resource/Orvane/NevraPreLoadApp.previous-1.xml");
    EXPECT_NE(failing.Kaldor({"run"}).exitCode, 0);
    EXPECT_EQ(failing.Kaldor({"recover"}).exitCode, 1);

    const ProcessResult disable = failing.Kaldor({"recover", "--disable"});
    ASSERT_EQ(disable.exitCode, 0) << disable.out << disable.err;
    ExpectSays(disable.out, {"Switched off: bin/KxApp/Alpha.so (load=\"0\") in " + pending,
                             "The previous list is kept as " + previous,
                             "To undo: cp '" + previous + "' '" + pending + "'"});
    EXPECT_EQ(ReadFile(previous), failing.Original());
    // As the platform reads the two lists, only Alpha's switch changed.
    const auto entries = [](const std::string& file) {
        std::vector<std::pair<std::string, std::string>> pairs;
        const auto list = Platform::LoadListFile::ReadApps(file);
        for (const auto& entry : list.Entries()) {
            pairs.emplace_back(entry.first, entry.second);
        }
        return pairs;
    };
    auto expected = entries(previous);
    ASSERT_EQ(expected.size(), 5u);
    ASSERT_EQ(expected.back(), std::make_pair(LibraryName("Alpha"), std::string("1")));
    expected.back().second = "0";
    EXPECT_EQ(entries(pending), expected);
    fs::remove(demo.Events());

    const ProcessResult next = failing.Kaldor({"run"});
    ASSERT_EQ(next.exitCode, 0) << next.out << next.err;
    const std::string said = Portable(next.out);
    EXPECT_EQ(said.find("Alpha.so", said.find("Installation:")), std::string::npos);
    EXPECT_THAT(ReadLines(demo.Events()),
                ::testing::Not(::testing::Contains("Init Alpha as Alpha")));
    EXPECT_EQ(failing.Kaldor({"recover"}).exitCode, 0);
    EXPECT_FALSE(Exists(pending));

    // The copy, put back as the pending list, is the application list again after a start-up.
    fs::copy_file(previous, pending);
    failing.Kaldor({"run", "--timeout", "1"});
    EXPECT_EQ(ReadFile(failing.AppList()), failing.Original());
}

TEST(KaldorRecover, DisableNamesTheListOrParentToChangeForAnythingButAnApplication) {
    FailingDemo failing;
    AddApplication(failing, "abort", true);
    EXPECT_NE(failing.Kaldor({"run"}).exitCode, 0);
    const ProcessResult disable = failing.Kaldor({"recover", "--disable"});
    EXPECT_EQ(disable.exitCode, 1);
    ExpectSays(disable.out, {"Nothing was switched off: Only an application can be switched off",
                             "is registered from inside the Init of `bin/KxApp/Alpha.so`"});
    EXPECT_FALSE(Exists(failing.Demo().Path("bin/KxApp/Resource/Orvane/NevraPreLoadApp.tmp.xml")));

    FailingDemo module;
    module.Add("ModA", "bin", "init-fail exit\n", "bin/KxApp/Resource/Orvane/NevraPreLoad.xml",
               "<module name=\"ModA\" qa=\"0\"/>\n", "</Modules>");
    EXPECT_NE(module.Kaldor({"run"}).exitCode, 0);
    ExpectSays(module.Kaldor({"recover", "--disable"}).out,
               {"is a module of NevraPreLoad.xml, which has no pending list: set qa=\"1\""});
}

// Two hosts on one home and one log: neither start-up is taken for an interrupted one.
TEST(KaldorRecover, TwoHostsFinishingTogetherLeaveAFinishedStartUp) {
    const DemoCopy demo;
    QProcess first;
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    variables.insert("KALDOR_HOME", QString::fromStdString(demo.Home()));
    first.setProcessEnvironment(variables);
    first.start(KALDOR_PROGRAM, {"run", "--install", QString::fromStdString(demo.Install())});
    const ProcessResult second = demo.Kaldor({"run"});
    ASSERT_TRUE(first.waitForFinished(300000));
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_EQ(second.exitCode, 0) << second.out << second.err;
    const ProcessResult recover = demo.Kaldor({"recover"});
    EXPECT_EQ(recover.exitCode, 0) << recover.out;
    EXPECT_THAT(recover.out, HasSubstr(") finished.\n"));
}

} // namespace

} // namespace kaldor::test
