// What a start-up and its shut-down did and how long each part took, read from the platform's
// log records: the phases and stages bracketed by their Begin/End records, every package import
// with the Init that followed it, and every package's unregistration.
#pragma once

#include <orvane/recovery/LogRecords.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvane::recovery {

struct StageSpan {
    std::string name; // "OrvaneInit", "PlatformBuild", "External Register", …
    int depth = 0;    // 0 for the entry points, 1 for the phases, 2 for the stages
    std::optional<std::int64_t> begin;
    std::optional<std::int64_t> end;

    std::optional<std::int64_t> Duration() const;
};

struct PackageSpan {
    std::string path;
    std::string stage; // the stage open when the import began ("InternalPre", …), or ""
    int depth = 0;     // 0 for a package registered by the platform, 1 for one registered
                       // from inside another package's Init, and so on
    std::optional<std::size_t> parent; // index of the package whose Init registered this one
    std::int64_t importBegin = 0;
    std::optional<std::int64_t> importEnd;
    std::string importFailure; // the fatal record of a failed import
    std::optional<std::int64_t> initEnd;
    std::optional<int> initResult;

    bool Imported() const { return importEnd.has_value() && importFailure.empty(); }
    // The log ended, or start-up was left, while this package's import or Init still ran.
    bool ImportOpen() const { return !importEnd.has_value(); }
    bool InitOpen() const { return Imported() && !initEnd.has_value(); }
    std::optional<std::int64_t> ImportDuration() const;
    std::optional<std::int64_t> InitDuration() const;
};

// One "App Exit Begin" … "App Exit End": the package's Exit and unloading, with whatever it
// unregistered from inside its Exit nested one level deeper.
struct ExitSpan {
    std::string path;
    int depth = 0;
    std::int64_t begin = 0;
    std::optional<std::int64_t> end;

    std::optional<std::int64_t> Duration() const;
};

class StartupTimeline {
public:
    static StartupTimeline FromRecords(const std::vector<LogRecord>& records);

    // In the order in which they began.
    const std::vector<StageSpan>& Stages() const { return stages_; }
    const std::vector<PackageSpan>& Packages() const { return packages_; }
    const std::vector<ExitSpan>& Exits() const { return exits_; }
    // The stage span of that name, or null.
    const StageSpan* Stage(const std::string& name) const;

private:
    std::vector<StageSpan> stages_;
    std::vector<PackageSpan> packages_;
    std::vector<ExitSpan> exits_;
};

// "init=1 return=N" gives N.
std::optional<int> ParseInitRecord(const std::string& message);

} // namespace orvane::recovery
