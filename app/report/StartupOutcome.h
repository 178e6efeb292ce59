// How a start-up went, as every command that starts the installation reports it: the result,
// and for a failure the fatal records with what they mean.
#pragma once

#include "FailureExplainer.h"
#include "install/InstallationChoice.h"
#include "session/PlatformSession.h"
#include <orvane/recovery/StartupTimeline.h>

#include <QJsonObject>

#include <ostream>
#include <string>
#include <vector>

namespace kaldor {

class StartupOutcome {
public:
    // Built after the session stopped, from its records.
    StartupOutcome(const InstallationChoice& choice, const PlatformSession& session, int result);

    bool Succeeded() const { return result_ == 0; }
    int Result() const { return result_; }
    const StartupTimeline& Timeline() const { return timeline_; }
    const std::vector<Explanation>& Explanations() const { return explanations_; }

    // "Installation: …", "User folders: …", "Start-up: …" lines.
    void PrintHeader(std::ostream& out, std::int64_t milliseconds) const;
    // The fatal records with their explanations (nothing when start-up succeeded).
    void PrintFailure(std::ostream& out) const;
    // The same facts for a JSON answer.
    void AddTo(QJsonObject& document) const;

private:
    const InstallationChoice& choice_;
    std::string logFile_;
    int result_ = 0;
    StartupTimeline timeline_;
    std::vector<Explanation> explanations_;
    std::string logProblem_; // why no record reached the log, when its folder says why
};

} // namespace kaldor
