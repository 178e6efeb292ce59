// The records this process writes, as the log library makes them. Other hosts on the same home
// append to the same file at the same time, so reading the file back would mix their records
// into this run's report; the log library's tap hands over this process's lines alone.
#pragma once

#include "SharedLibrary.h"
#include "install/Installation.h"

#include <orvane/recovery/LogRecords.h>

#include <mutex>
#include <string>
#include <vector>

namespace kaldor {

using orvane::recovery::LogRecord;

class OwnLogRecords final {
public:
    // Loads the installation's log library and taps it; before the platform loads, so that the
    // records of its load are caught too. Without a log library nothing is caught, and the
    // platform will not load either.
    explicit OwnLogRecords(const Installation& installation);
    ~OwnLogRecords(); // ends the tap before the library can go
    OwnLogRecords(const OwnLogRecords&) = delete;
    OwnLogRecords& operator=(const OwnLogRecords&) = delete;

    // The records so far; safe from another thread while the host's thread writes records.
    std::vector<LogRecord> Records() const;

    // What the tap fills: the lines so far, under a lock of their own, since a watchdog may read
    // them while the host's thread is inside a package. Its address is the tap's context.
    struct Lines {
        std::mutex lock;
        std::string text;
    };

private:
    SharedLibrary library_;
    mutable Lines lines_;
};

} // namespace kaldor
