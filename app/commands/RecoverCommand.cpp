#include "CommandLine.h"

#include "ExitCodes.h"
#include "install/InstallationChoice.h"
#include "install/PendingAppList.h"
#include "report/InterruptedStartup.h"
#include "report/JsonOutput.h"
#include "session/UserLog.h"

#include <orvane/recovery/StartupRecovery.h>

#include <iostream>
#include <optional>

namespace kaldor {

namespace recovery = orvane::recovery;

namespace {

// What --disable did: the list written, or why nothing was.
struct Disabling {
    std::optional<SwitchedOff> done;
    std::string refusal;
};

Disabling Disable(const Installation& installation, const recovery::LastStartup& last) {
    Disabling disabling;
    const auto& package = last.Package();
    if (!last.Interrupted()) {
        disabling.refusal = "The last start-up finished: nothing to switch off.";
    } else if (!package) {
        disabling.refusal = "No package's call was open when it ended: nothing to switch off.";
    } else if (package->kind != recovery::PackageKind::Application) {
        disabling.refusal = "Only an application can be switched off for the next start-up. " +
                            InterruptionAdvice(installation, last);
    } else {
        try {
            disabling.done = SwitchOffApplication(installation, package->path);
        } catch (const PendingListError& error) {
            disabling.refusal = error.what();
        }
    }
    return disabling;
}

void PrintText(const Installation& installation, const std::string& log,
               const recovery::LastStartup& last, const std::optional<Disabling>& disabling) {
    std::ostream& out = std::cout;
    out << "Log: " << log << "\n";
    if (!last.Found()) {
        out << "The log holds no start-up.\n";
    } else if (last.Finished()) {
        out << "The last start-up (began " << recovery::FormatLogTime(last.Began())
            << ") finished.\n";
    } else {
        out << InterruptionLine(installation, last) << "\n";
        PrintInterruptedPackage(out, installation, last);
        if (!disabling) {
            out << InterruptionAdvice(installation, last) << "\n";
        }
    }
    if (!disabling) {
        return;
    }
    if (!disabling->done) {
        out << "Nothing was switched off: " << disabling->refusal << "\n";
        return;
    }
    const SwitchedOff& done = *disabling->done;
    out << "Switched off: " << installation.Display(last.Package()->path) << " (load=\"0\") in "
        << done.pending << ", made from " << done.source << "; the next start-up takes it in "
        << "place of the application list.\n";
    out << "The previous list is kept as " << done.previous << ".\n";
    out << "To undo: cp '" << done.previous << "' '" << done.pending << "'\n";
}

void PrintJsonAnswer(const Installation& installation, const std::string& log,
                     const recovery::LastStartup& last, const std::optional<Disabling>& disabling) {
    QJsonObject document{{"command", "recover"}, {"log", Json(log)}};
    document["lastStartup"] = LastStartupJson(installation, last);
    if (disabling) {
        QJsonObject item{{"done", disabling->done.has_value()}};
        if (const auto& done = disabling->done) {
            item["pendingList"] = Json(done->pending);
            item["source"] = Json(done->source);
            item["previous"] = Json(done->previous);
            item["entries"] = done->entries;
        } else {
            item["refusal"] = Json(disabling->refusal);
        }
        document["disable"] = item;
    }
    PrintJson(document);
}

} // namespace

int RecoverCommand(const CommandLine& commandLine) {
    const InstallationChoice choice = ChooseInstallation(commandLine);
    const std::string log = UserLogFile(choice.installation);
    const recovery::LastStartup last = recovery::LastStartup::FromLog(log);
    std::optional<Disabling> disabling;
    if (commandLine.Disable()) {
        disabling = Disable(choice.installation, last);
    }
    if (commandLine.Json()) {
        PrintJsonAnswer(choice.installation, log, last, disabling);
    } else {
        PrintText(choice.installation, log, last, disabling);
    }
    if (disabling) {
        return disabling->done ? ExitSuccess : ExitFailure;
    }
    return last.Interrupted() ? ExitFailure : ExitSuccess;
}

} // namespace kaldor
