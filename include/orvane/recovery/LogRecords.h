// The product's log file read back: one record per line, tab-separated as time (local, ISO
// 8601 with milliseconds), level, module, source, line, message.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace orvane::recovery {

struct LogRecord {
    std::string time;
    std::int64_t milliseconds = 0; // the time as a count of milliseconds, for differences
    std::string level;             // "INFO", "ERROR", "FATAL"
    std::string module;
    std::string source;
    int line = 0;
    std::string message;

    bool IsFatal() const;
};

// Milliseconds of "YYYY-MM-DDTHH:MM:SS.mmm" (a space in place of the "T" and fewer fraction
// digits are read too); nothing for any other text.
std::optional<std::int64_t> ParseLogTime(const std::string& text);

// "YYYY-MM-DD HH:MM:SS.mmm" of a count that ParseLogTime gave.
std::string FormatLogTime(std::int64_t milliseconds);

// One line; nothing when it is not a record.
std::optional<LogRecord> ParseLogLine(const std::string& line);

// The current size of the log file, 0 when it does not exist: records written after this
// point belong to the run that starts now, since the log appends.
std::uint64_t LogFileEnd(const std::string& path);

// The records of a text of log lines; lines that are no record are passed over.
std::vector<LogRecord> ParseLogRecords(std::istream& in);

// The records from byte `offset` on. A file now shorter than `offset` was replaced; it is read
// from its start. A last line without its line end is a record still being written (or cut off
// by a crash) and is left out: read whole, it could name a path cut short.
std::vector<LogRecord> ReadLogRecords(const std::string& path, std::uint64_t offset);

} // namespace orvane::recovery
