// The records this process writes, as the log library makes them. Other hosts on the same home
// append to the same file at the same time, so reading the file back would mix their records
// into this run's report; the log library's tap hands over this process's lines alone.
#pragma once

#include "Installation.h"
#include "LogRecords.h"
#include "SharedLibrary.h"

#include <string>
#include <vector>

namespace kaldor {

class OwnLogRecords final {
public:
    // Loads the installation's log library and taps it; before the platform loads, so that the
    // records of its load are caught too. Without a log library nothing is caught, and the
    // platform will not load either.
    explicit OwnLogRecords(const Installation& installation);
    ~OwnLogRecords(); // ends the tap before the library can go
    OwnLogRecords(const OwnLogRecords&) = delete;
    OwnLogRecords& operator=(const OwnLogRecords&) = delete;

    std::vector<LogRecord> Records() const;

private:
    SharedLibrary library_;
    std::string text_; // the lines so far; its address is the tap's context
};

} // namespace kaldor
