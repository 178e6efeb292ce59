// The layout of a log line, for the log that writes it and for every reader that takes it apart:
// "<time>\t<level>\t<module>\t<source>\t<line>\t<message>", the time local, in ISO 8601 with
// milliseconds ("2026-03-01T23:59:59.250"). Header only and free of the log's own code, so that
// a reader needs nothing else of the log library.
#pragma once

#include <cstddef>
#include <string_view>

namespace KxLogLib::LogLine {

inline constexpr char FieldSeparator = '\t';

// The fields in line order. The message is last, so a tab that reaches it anyway is its own.
enum Field : std::size_t { Time, Level, Module, Source, Line, Message, FieldCount };

// Between the date and the time of day, and between the seconds and their milliseconds.
inline constexpr char DateTimeSeparator = 'T';
inline constexpr char FractionSeparator = '.';

inline constexpr std::string_view InfoLevel = "INFO";
inline constexpr std::string_view ErrorLevel = "ERROR";
inline constexpr std::string_view FatalLevel = "FATAL";

} // namespace KxLogLib::LogLine
