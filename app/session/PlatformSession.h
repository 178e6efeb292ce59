// One life of the platform in this process, as a host lives it: the host's own libraries are
// loaded, then Orvane.so; OrvaneInit brings the installation up, the caller asks its questions,
// OrvaneExit takes it down and the library is unloaded. The log records of this life, and of
// this process alone, are kept for the report.
#pragma once

#include "OwnLogRecords.h"
#include "PlatformLibrary.h"
#include "SharedLibrary.h"
#include "install/Installation.h"
#include <orvane/recovery/LogRecords.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kaldor {

using orvane::recovery::LogRecord;

class PlatformSession final {
public:
    // Loads the libraries; throws PlatformLoadError. A QCoreApplication must exist already.
    explicit PlatformSession(const Installation& installation);
    ~PlatformSession();
    PlatformSession(const PlatformSession&) = delete;
    PlatformSession& operator=(const PlatformSession&) = delete;

    // OrvaneInit; its result (0 success, 1 failure).
    int Start();
    // OrvaneExit, then the log records are read and the library is unloaded.
    void Stop();

    const PlatformLibrary& Platform() const { return platform_; }
    const std::string& LogFile() const { return logFile_; }
    const std::string& UserLibraryDir() const { return userLibraryDir_; }
    // The user folder of kind 7, which holds the users' role folders.
    const std::string& RolesFolder() const { return rolesFolder_; }
    // Wall-clock time of OrvaneInit as this program measured it.
    std::int64_t StartMilliseconds() const { return startMilliseconds_; }
    // The browser profile the GUI library was given during start-up, "" if none.
    std::string BrowserProfile() const;
    // The records of this session; complete after Stop.
    const std::vector<LogRecord>& Records() const { return records_; }
    // This process's records so far, also from another thread while a package runs.
    std::vector<LogRecord> RecordsSoFar() const { return log_.Records(); }

private:
    // The host keeps its database and GUI libraries loaded; the platform only looks them up.
    SharedLibrary database_;
    SharedLibrary gui_;
    OwnLogRecords log_;
    PlatformLibrary platform_;
    std::string logFile_;
    std::string userLibraryDir_;
    std::string rolesFolder_;
    std::int64_t startMilliseconds_ = 0;
    bool started_ = false;
    bool stopped_ = false;
    std::vector<LogRecord> records_;
};

} // namespace kaldor
