#include "CommandLine.h"

#include "ExitCodes.h"
#include "install/InstallationChoice.h"
#include "install/LoadLists.h"
#include "report/InterruptedStartup.h"
#include "report/RunReport.h"
#include "report/StartupOutcome.h"
#include "report/StartupTrace.h"
#include "session/PlatformSession.h"
#include "session/Watchdog.h"

#include <FilePath.h>
#include <orvane/recovery/StartupRecovery.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <map>
#include <optional>

namespace kaldor {

namespace recovery = orvane::recovery;

namespace {

// Problems the platform passes over in silence but a user wants to hear about.
std::vector<std::string> ListWarnings(const Installation& installation) {
    std::vector<std::string> warnings;
    for (const auto& list : ReadLoadLists(installation)) {
        const std::string name = VELMORA::NEVRA::Platform::FilePath(list.file).FileName();
        if (!list.error.empty()) {
            warnings.push_back(name + " cannot be read as XML (" + list.error +
                               "): the platform read it as an empty list, so none of its " +
                               ListStageName(list.stage) + " libraries was loaded");
        }
        for (const auto& ignored : list.ignored) {
            warnings.push_back(name + " " + ignored);
        }
        for (const auto& entry : list.entries) {
            if (entry.active && !entry.note.empty()) {
                warnings.push_back(name + " line " + std::to_string(entry.line) + " (" +
                                   entry.text + "): " + entry.note);
            }
        }
    }
    return warnings;
}

// Runs on the watchdog's thread while the host's thread is still inside a package's call: reads
// what this run logged so far, says which call is running, writes the trace so far and ends the
// process, since the host's thread will not come back.
[[noreturn]] void GiveUp(const std::string& phase, double seconds, const Installation& installation,
                         const PlatformSession& session,
                         const std::optional<std::string>& traceFile) {
    const std::string& logFile = session.LogFile();
    const auto records = session.RecordsSoFar();
    const auto timeline = StartupTimeline::FromRecords(records);
    std::cerr << "kaldor: " << phase << " has not finished after " << seconds << " s";
    if (const auto running = recovery::RunningAtEnd(timeline)) {
        std::cerr << ": `" << installation.Display(running->path) << "`'s "
                  << recovery::PackageCallName(running->call) << " has been running since "
                  << recovery::FormatLogTime(running->since) << " ("
                  << recovery::PackageKindName(running->kind);
        if (running->kind == recovery::PackageKind::Child) {
            std::cerr << " of `" << installation.Display(running->parent) << "`";
        }
        std::cerr << ")";
    }
    std::cerr << "\nLog: " << logFile << "\n";
    if (traceFile) {
        try {
            WriteStartupTrace(*traceFile, StartupTraceDocument(timeline, {}));
        } catch (const std::runtime_error& error) {
            std::cerr << "kaldor: " << error.what() << "\n";
        }
    }
    std::cout.flush();
    std::cerr.flush();
    std::_Exit(ExitTimeout);
}

// Before this start-up adds its own records: did the last one finish? Said as text now, or
// returned for the JSON answer.
std::optional<QJsonObject> TellLastStartup(const CommandLine& commandLine,
                                           const Installation& installation,
                                           const PlatformSession& session) {
    const auto last = recovery::LastStartup::FromLog(session.LogFile());
    if (!last.Interrupted()) {
        return std::nullopt;
    }
    if (commandLine.Json()) {
        return LastStartupJson(installation, last);
    }
    std::cout << InterruptionLine(installation, last) << ".\n"
              << InterruptionAdvice(installation, last) << "\n\n"
              << std::flush;
    return std::nullopt;
}

// Brings the installation up, learns what the report needs and takes it down again, under the
// watchdog when run --timeout asked for one. Returns what OrvaneInit returned.
int StartObserveStop(const CommandLine& commandLine, const Installation& installation,
                     PlatformSession& session, RunReport& report,
                     std::vector<std::string> warnings) {
    std::optional<Watchdog> watchdog;
    if (const auto seconds = commandLine.TimeoutSeconds()) {
        const std::chrono::duration<double> limit(*seconds);
        watchdog.emplace(std::chrono::duration_cast<std::chrono::milliseconds>(limit),
                         [&, seconds = *seconds](const std::string& phase) {
                             GiveUp(phase, seconds, installation, session, commandLine.TraceFile());
                         });
    }
    const auto watch = [&watchdog](const char* phase) {
        if (watchdog) {
            watchdog->Begin(phase);
        }
    };
    const auto rest = [&watchdog]() {
        if (watchdog) {
            watchdog->End();
        }
    };
    watch("start-up");
    const int result = session.Start();
    rest();
    report = ObserveRun(session, std::move(warnings));
    watch("shut-down");
    session.Stop();
    rest();
    return result;
}

// Writes the trace run --trace asked for; false, said on standard error, when it cannot.
bool WriteTrace(const std::string& file, const StartupOutcome& outcome, const RunReport& report) {
    std::map<std::string, std::uint32_t> ids;
    for (const auto& package : report.packages) {
        ids.emplace(package.path, package.id);
    }
    try {
        WriteStartupTrace(file, StartupTraceDocument(outcome.Timeline(), ids));
    } catch (const std::runtime_error& error) {
        std::cerr << "kaldor: " << error.what() << "\n";
        return false;
    }
    return true;
}

} // namespace

int RunCommand(const CommandLine& commandLine) {
    const InstallationChoice choice = ChooseInstallation(commandLine);
    // Read before start-up, which consumes a pending application list.
    std::vector<std::string> warnings = ListWarnings(choice.installation);
    PlatformSession session(choice.installation);
    const std::optional<QJsonObject> previous =
        TellLastStartup(commandLine, choice.installation, session);
    RunReport report;
    const int result =
        StartObserveStop(commandLine, choice.installation, session, report, std::move(warnings));

    const StartupOutcome outcome(choice, session, result);
    if (commandLine.Json()) {
        PrintRunJson(outcome, report, previous);
    } else {
        PrintRunText(choice, outcome, report);
    }
    // The report is out; what may be missing is the file the user asked for.
    if (const auto& file = commandLine.TraceFile(); file && !WriteTrace(*file, outcome, report)) {
        return ExitFailure;
    }
    return outcome.Succeeded() ? ExitSuccess : ExitFailure;
}

} // namespace kaldor
