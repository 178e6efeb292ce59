#include "CommandLine.h"

#include "ExitCodes.h"
#include "HostSettings.h"
#include "InstallationChoice.h"
#include "InterruptedStartup.h"
#include "JsonOutput.h"
#include "LoadLists.h"
#include "PackageTree.h"
#include "PlatformSession.h"
#include "ResourceTypes.h"
#include "StartupOutcome.h"
#include "StartupTrace.h"
#include "Watchdog.h"

#include <HostSearchDirectories.h>
#include <LanguageTable.h>
#include <RecordTexts.h>

#include <QByteArray>
#include <orvane/recovery/StartupRecovery.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>

namespace kaldor {

namespace RecordText = VELMORA::NEVRA::Platform::RecordText;
namespace recovery = orvane::recovery;

namespace {

// What the run learnt while the installation was up.
struct RunFacts {
    std::vector<RegisteredPackage> packages;
    std::vector<std::string> searchPath;
    std::vector<std::pair<ResourceType, std::vector<ResourceConflict>>> conflicts;
    std::string language;
    std::string locale;
    std::string greeting;
    std::vector<std::string> translations; // the host language's translation files in use
    std::string helpDocument;
    std::string browserProfile;
};

RunFacts Observe(const PlatformSession& session) {
    const PlatformLibrary& platform = session.Platform();
    RunFacts facts;
    facts.packages = platform.Packages();
    facts.searchPath = platform.HostSearchPath();
    for (const auto& type : ResourceTypes()) {
        facts.conflicts.emplace_back(type, platform.Conflicts(type.code));
    }
    facts.language = HostLanguage();
    facts.locale = VELMORA::NEVRA::Platform::LocaleCodeOf(facts.language);
    // The packages' translators are installed in the application now; a language pack may
    // carry the host program's own texts.
    facts.greeting =
        QCoreApplication::translate("kaldor", "Hello from the installation").toStdString();
    // The platform puts every root's language folder on the host's search path; the ones that
    // hold a translation file of the host's language are the translations in use. A translator
    // is loaded through Qt, under Qt's name for the file's bytes: where that name is no file
    // (bytes that are not in the locale's encoding), nothing was installed from the folder,
    // although it is on the search path.
    for (const auto& dir : facts.searchPath) {
        const std::string file = dir + VELMORA::NEVRA::Platform::TranslationFileName(facts.locale);
        if (VELMORA::NEVRA::Platform::IsLanguageDirOf(dir, facts.locale) &&
            QFileInfo(QFile::decodeName(QByteArray(file.data(), static_cast<int>(file.size()))))
                .isFile()) {
            facts.translations.push_back(file);
        }
    }
    facts.helpDocument = platform.HelpDocument();
    facts.browserProfile = session.BrowserProfile();
    return facts;
}

// Problems the platform passes over in silence but a user wants to hear about.
std::vector<std::string> ListWarnings(const Installation& installation) {
    std::vector<std::string> warnings;
    for (const auto& list : ReadLoadLists(installation)) {
        const std::string name = std::filesystem::path(list.file).filename().string();
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

std::string Milliseconds(const std::optional<std::int64_t>& value) {
    return value ? std::to_string(*value) : std::string("-");
}

void PrintTimings(std::ostream& out, const Installation& installation,
                  const StartupTimeline& timeline) {
    out << "\nTimings (from the log records, in ms):\n";
    for (const auto& stage : timeline.Stages()) {
        if (stage.name == RecordText::ExitStage) {
            continue;
        }
        const std::string label = std::string(2 * stage.depth, ' ') + stage.name;
        out << "  " << std::left << std::setw(40) << label << std::right << std::setw(6)
            << Milliseconds(stage.Duration()) << "\n";
    }
    if (timeline.Packages().empty()) {
        return;
    }
    out << "  " << std::left << std::setw(40) << "Package" << std::right << std::setw(6) << "import"
        << std::setw(6) << "Init"
        << "\n";
    const std::string platform = installation.PlatformLibrary().string();
    for (const auto& span : timeline.Packages()) {
        std::string label = std::string(2 * span.depth, ' ') + installation.Display(span.path);
        if (span.path == platform) {
            label += " (" + span.stage + ")";
        }
        std::string outcome;
        if (!span.importFailure.empty()) {
            outcome = "  import failed";
        } else if (span.initResult && *span.initResult != 0) {
            outcome = "  Init returned " + std::to_string(*span.initResult);
        }
        out << "  " << std::left << std::setw(40) << label << std::right << std::setw(6)
            << Milliseconds(span.ImportDuration()) << std::setw(6)
            << Milliseconds(span.InitDuration()) << outcome << "\n";
    }
}

void PrintText(const InstallationChoice& choice, const PlatformSession& session,
               const StartupOutcome& outcome, const RunFacts& facts,
               const std::vector<std::string>& warnings) {
    const Installation& installation = choice.installation;
    std::ostream& out = std::cout;
    outcome.PrintHeader(out, session.StartMilliseconds());

    out << "\nLanguage: " << facts.language << " (" << facts.locale << ")\n";
    out << "  Greeting: " << facts.greeting << "\n";
    out << "  Translations:" << (facts.translations.empty() ? " (none)" : "") << "\n";
    for (const auto& file : facts.translations) {
        out << "    " << installation.Display(file) << "\n";
    }
    out << "  Help file (the last one handed to the host): "
        << (facts.helpDocument.empty() ? "(none)" : installation.Display(facts.helpDocument))
        << "\n";
    out << "  Browser profile: "
        << (facts.browserProfile.empty() ? "(none)" : installation.Display(facts.browserProfile))
        << "\n";

    out << "\nPackages (KxRegList):\n";
    if (facts.packages.empty()) {
        out << "  (no application package is registered)\n";
    }
    for (const auto& node : PackageTree(facts.packages)) {
        out << "  " << std::string(2 * node.depth, ' ') << "[" << node.package.id << "] "
            << installation.Display(node.package.path);
        if (node.package.ownerId != node.package.id) {
            out << "  (owner " << node.package.ownerId << ")";
        }
        out << "\n";
    }

    out << "\nHost search path (kdlPathAdd, " << facts.searchPath.size() << " directories):\n";
    for (const auto& path : facts.searchPath) {
        out << "  " << installation.Display(path) << "\n";
    }

    out << "\nResource conflicts:\n";
    for (const auto& [type, conflicts] : facts.conflicts) {
        out << "  " << std::left << std::setw(9) << type.name << std::right;
        if (conflicts.empty()) {
            out << "none\n";
            continue;
        }
        out << conflicts.size() << ":";
        for (const auto& conflict : conflicts) {
            out << " " << conflict.name << " (" << conflict.paths.size() << " files)";
        }
        out << "\n";
    }

    PrintTimings(out, installation, outcome.Timeline());

    if (!warnings.empty()) {
        out << "\nWarnings:\n";
        for (const auto& warning : warnings) {
            out << "  " << warning << "\n";
        }
    }
    outcome.PrintFailure(out);
    out << "\nLog: " << session.LogFile() << "\n";
}

void PrintJsonReport(const PlatformSession& session, const StartupOutcome& outcome,
                     const RunFacts& facts, const std::vector<std::string>& warnings,
                     const std::optional<QJsonObject>& previous) {
    QJsonObject document{{"command", "run"}};
    if (previous) {
        document["previousStartup"] = *previous;
    }
    outcome.AddTo(document);
    document["startMilliseconds"] = static_cast<double>(session.StartMilliseconds());
    document["language"] = QJsonObject{{"name", Json(facts.language)},
                                       {"locale", Json(facts.locale)},
                                       {"greeting", Json(facts.greeting)},
                                       {"translations", JsonStrings(facts.translations)},
                                       {"helpDocument", Json(facts.helpDocument)},
                                       {"browserProfile", Json(facts.browserProfile)}};
    QJsonArray packages;
    for (const auto& node : PackageTree(facts.packages)) {
        packages.append(QJsonObject{{"id", static_cast<double>(node.package.id)},
                                    {"owner", static_cast<double>(node.package.ownerId)},
                                    {"path", Json(node.package.path)},
                                    {"depth", node.depth}});
    }
    document["packages"] = packages;
    document["searchPath"] = JsonStrings(facts.searchPath);
    QJsonArray conflicts;
    for (const auto& [type, found] : facts.conflicts) {
        std::vector<std::string> names;
        for (const auto& conflict : found) {
            names.push_back(conflict.name);
        }
        conflicts.append(QJsonObject{{"type", Json(type.name)},
                                     {"code", type.code},
                                     {"count", static_cast<int>(found.size())},
                                     {"names", JsonStrings(names)}});
    }
    document["conflicts"] = conflicts;
    QJsonArray stages;
    for (const auto& stage : outcome.Timeline().Stages()) {
        QJsonObject item{{"name", Json(stage.name)}, {"depth", stage.depth}};
        if (const auto duration = stage.Duration()) {
            item["milliseconds"] = static_cast<double>(*duration);
        }
        stages.append(item);
    }
    document["stages"] = stages;
    QJsonArray imports;
    for (const auto& span : outcome.Timeline().Packages()) {
        QJsonObject item{{"path", Json(span.path)},
                         {"stage", Json(span.stage)},
                         {"depth", span.depth},
                         {"imported", span.Imported()}};
        if (const auto duration = span.ImportDuration()) {
            item["importMilliseconds"] = static_cast<double>(*duration);
        }
        if (const auto duration = span.InitDuration()) {
            item["initMilliseconds"] = static_cast<double>(*duration);
        }
        if (span.initResult) {
            item["initResult"] = *span.initResult;
        }
        if (!span.importFailure.empty()) {
            item["importFailure"] = Json(span.importFailure);
        }
        imports.append(item);
    }
    document["packageTimes"] = imports;
    document["warnings"] = JsonStrings(warnings);
    PrintJson(document);
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

} // namespace

int RunCommand(const CommandLine& commandLine) {
    const InstallationChoice choice = ChooseInstallation(commandLine);
    // Read before start-up, which consumes a pending application list.
    const std::vector<std::string> warnings = ListWarnings(choice.installation);

    PlatformSession session(choice.installation);
    // Before this start-up adds its own records: did the last one finish?
    const auto last = recovery::LastStartup::FromLog(session.LogFile());
    std::optional<QJsonObject> previous;
    if (last.Interrupted()) {
        if (commandLine.Json()) {
            previous = LastStartupJson(choice.installation, last);
        } else {
            std::cout << InterruptionLine(choice.installation, last) << ".\n"
                      << InterruptionAdvice(choice.installation, last) << "\n\n"
                      << std::flush;
        }
    }

    std::optional<Watchdog> watchdog;
    if (const auto seconds = commandLine.TimeoutSeconds()) {
        watchdog.emplace(std::chrono::milliseconds(static_cast<std::int64_t>(*seconds * 1000)),
                         [&, seconds = *seconds](const std::string& phase) {
                             GiveUp(phase, seconds, choice.installation, session,
                                    commandLine.TraceFile());
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
    const RunFacts facts = Observe(session);
    watch("shut-down");
    session.Stop();
    rest();
    watchdog.reset();

    const StartupOutcome outcome(choice, session, result);
    if (commandLine.Json()) {
        PrintJsonReport(session, outcome, facts, warnings, previous);
    } else {
        PrintText(choice, session, outcome, facts, warnings);
    }
    if (const auto& file = commandLine.TraceFile()) {
        std::map<std::string, std::uint32_t> ids;
        for (const auto& package : facts.packages) {
            ids.emplace(package.path, package.id);
        }
        try {
            WriteStartupTrace(*file, StartupTraceDocument(outcome.Timeline(), ids));
        } catch (const std::runtime_error& error) {
            // The report is out; what is missing is the file the user asked for.
            std::cerr << "kaldor: " << error.what() << "\n";
            return ExitFailure;
        }
    }
    return outcome.Succeeded() ? ExitSuccess : ExitFailure;
}

} // namespace kaldor
