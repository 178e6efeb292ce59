// Turns the fatal records of a failed start-up into what the user can do about them. Where the
// platform records only that a stage failed (a package refused to start, or its resource root
// was refused before any record about the package), the explanation finds the package from the
// other records and the load lists.
#pragma once

#include "install/Installation.h"
#include <orvane/recovery/LogRecords.h>
#include <orvane/recovery/StartupTimeline.h>

#include <optional>
#include <string>
#include <vector>

namespace kaldor {

using orvane::recovery::LogRecord;
using orvane::recovery::StartupTimeline;

struct Explanation {
    std::string record; // the fatal record's message
    std::string text;   // plain words: what went wrong and what to do
};

class FailureExplainer {
public:
    // `userLibraryDir` is the user's library folder that start-up seeds; `settingFolders` are the
    // other user folders the platform writes into at start-up (setting copies).
    FailureExplainer(const Installation& installation, std::string userLibraryDir,
                     std::vector<std::string> settingFolders = {});

    // One explanation per fatal record, in record order.
    std::vector<Explanation> Explain(const std::vector<LogRecord>& records,
                                     const StartupTimeline& timeline) const;

    // The explanation of one fatal record's message. `refused` is the package that an earlier
    // fatal record of the same stage refused before importing it, if any.
    std::string ExplainRecord(const std::string& message, const StartupTimeline& timeline,
                              const std::string& refused = {}) const;

private:
    const Installation& installation_;
    std::string userLibraryDir_;
    std::vector<std::string> settingFolders_;
};

} // namespace kaldor
