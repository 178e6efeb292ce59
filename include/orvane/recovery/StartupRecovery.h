// What the log says about the last start-up: finished, or ended inside which package's import or
// Init. Every record is written before the package code that follows it runs, so the records of
// an interrupted start-up end with the call that never came back.
//
// Records carry no process id. A start-up is told apart by its first record, "OrvaneInit Begin",
// and by order: the last start-up is everything from the log's last "OrvaneInit Begin" on, and it
// finished when an "OrvaneInit End" follows that record. A finished start-up is therefore never
// taken for an interrupted one, whoever else writes to the log. With two hosts starting at the
// same moment, the other's records can stand among those of the last start-up and the package
// named can be the other's; and a host whose start-up is still running reads as interrupted.
#pragma once

#include <orvane/recovery/LogRecords.h>
#include <orvane/recovery/StartupTimeline.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvane::recovery {

enum class PackageKind {
    Platform,       // the platform's own package, reading a module list
    PreLoadModule,  // a module of the pre-load list
    Application,    // an application of the application list
    PostLoadModule, // a module of the post-load list
    Child,          // registered from inside another package's Init
};

enum class PackageCall { Import, Init, Exit };

struct RunningPackage {
    std::string path; // as the platform registered it
    PackageKind kind = PackageKind::Application;
    PackageCall call = PackageCall::Init;
    std::int64_t since = 0; // when the call began (log time, see FormatLogTime)
    // For a Child: the package whose Init registered it, and the entry of a load list it
    // descends from, with that entry's kind.
    std::string parent;
    std::string listed;
    PackageKind listedKind = PackageKind::Application;
};

// The call running at the end of `timeline`, innermost first: an unfinished Exit, else an
// unfinished import or Init; nothing when every call came back.
std::optional<RunningPackage> RunningAtEnd(const StartupTimeline& timeline);

class LastStartup {
public:
    static LastStartup FromRecords(const std::vector<LogRecord>& records);
    // Reads the whole log file; a missing file holds no start-up.
    static LastStartup FromLog(const std::string& logFile);

    // The log holds a start-up at all.
    bool Found() const { return found_; }
    bool Finished() const { return finished_; }
    // When it began (its "OrvaneInit Begin").
    std::int64_t Began() const { return began_; }
    // For an unfinished start-up: the innermost stage left open ("External Register",
    // "PlatformPreBuild", …), and the package whose call never came back, if one was running.
    const std::string& Stage() const { return stage_; }
    const std::optional<RunningPackage>& Package() const { return package_; }
    bool Interrupted() const { return found_ && !finished_; }

private:
    bool found_ = false;
    bool finished_ = false;
    std::int64_t began_ = 0;
    std::string stage_;
    std::optional<RunningPackage> package_;
};

// "pre-load module", "application", "post-load module", "package registered by another",
// "platform package".
const char* PackageKindName(PackageKind kind);
// "import", "Init", "Exit".
const char* PackageCallName(PackageCall call);

} // namespace orvane::recovery
