// What `run` reports, gathered once and rendered either as text or as JSON: both renderings
// read the same facts, section by section.
#pragma once

#include "StartupOutcome.h"
#include "install/InstallationChoice.h"
#include "install/ResourceTypes.h"
#include "session/PackageTree.h"
#include "session/PlatformSession.h"

#include <QJsonObject>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kaldor {

struct RunReport {
    // Learnt while the installation was up.
    std::vector<RegisteredPackage> packages;
    std::vector<PackageNode> packageTree;
    std::vector<std::string> searchPath;
    std::vector<std::pair<ResourceType, std::vector<ResourceConflict>>> conflicts;
    std::string language;
    std::string locale;
    std::string greeting;
    std::vector<std::string> translations; // the host language's translation files in use
    std::string helpDocument;
    std::string browserProfile;
    // Problems of the load lists the platform passes over in silence, read before start-up.
    std::vector<std::string> warnings;
    // Learnt from the session once it stopped.
    std::int64_t startMilliseconds = 0;
    std::string logFile;
};

// The facts of the installation that is up in `session`.
RunReport ObserveRun(const PlatformSession& session, std::vector<std::string> warnings);

// Renders the report with the start-up's outcome. `previous` is the last start-up when it did
// not finish (JSON only: the text says so before start-up).
void PrintRunText(const InstallationChoice& choice, const StartupOutcome& outcome,
                  const RunReport& report);
void PrintRunJson(const StartupOutcome& outcome, const RunReport& report,
                  const std::optional<QJsonObject>& previous);

} // namespace kaldor
