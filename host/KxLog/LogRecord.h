// One log record as it is written: the one place that fixes the line format, shared by the log
// file and by standard error, so both read the same.
#pragma once

#include <spdlog/common.h>

#include <chrono>
#include <string>
#include <string_view>

namespace KxLogLib {

enum class LogLevel { Info, Error, Fatal };

// What the writer of a record hands over: C strings, of which null reads as empty.
struct RecordFields {
    const char* module = nullptr;
    const char* source = nullptr;
    int line = 0;
    const char* message = nullptr;
};

// Where a line is made: the form the file's writer takes, with room for a usual record inside,
// so that making one needs no memory of the heap.
using LineBuffer = spdlog::memory_buf_t;

// "INFO", "ERROR", "FATAL".
std::string_view LevelName(LogLevel level);

// The caller's part of a record: module, source, line, message, tab-separated. Tabs and line
// breaks inside the texts become spaces, so that a record stays one line of six fields.
std::string RecordBody(const RecordFields& fields);

// The whole line, newline included, appended to `line`: local time in ISO 8601 with
// milliseconds, level, body. Lines are made one at a time, under the log's lock.
void AppendRecord(LineBuffer& line, std::chrono::system_clock::time_point time, LogLevel level,
                  std::string_view body);
// The same line made from the writer's fields, without a body of its own.
void AppendRecord(LineBuffer& line, std::chrono::system_clock::time_point time, LogLevel level,
                  const RecordFields& fields);

} // namespace KxLogLib
