#include "LogRecord.h"

#include "LogLineFormat.h"

#include <HostCommon/HostTrace.h>

#include <spdlog/details/os.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace KxLogLib {

std::string_view LevelName(LogLevel level) {
    switch (level) {
    case LogLevel::Info:
        return LogLine::InfoLevel;
    case LogLevel::Error:
        return LogLine::ErrorLevel;
    case LogLevel::Fatal:
        return LogLine::FatalLevel;
    }
    return LogLine::FatalLevel;
}

namespace {

// The body's digits of the line number: "-2147483648" at the most.
constexpr std::size_t kMaxLineDigits = 11;

void AppendBody(std::string& out, const RecordFields& fields) {
    HostCommon::AppendField(out, fields.module);
    out += LogLine::FieldSeparator;
    HostCommon::AppendField(out, fields.source);
    out += LogLine::FieldSeparator;
    char digits[kMaxLineDigits];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, fields.line).ptr);
    out += LogLine::FieldSeparator;
    HostCommon::AppendField(out, fields.message);
}

// Room for the body of `fields` with its separators and digits.
std::size_t BodySize(const RecordFields& fields) {
    return fields.module.size() + fields.source.size() + fields.message.size() + 16;
}

} // namespace

std::string RecordBody(const RecordFields& fields) {
    std::string body;
    body.reserve(BodySize(fields));
    AppendBody(body, fields);
    return body;
}

namespace {

// The local time of the last second a record was written in, as records write it. Working it out
// (the time zone's rules, then the formatting) cost more than the rest of a record, and records
// come many to a second. Constant-initialised and trivially destructible, like the log's own
// lock, so that it is valid whenever a record comes; thread-local storage is not, in a library
// that is loaded and unloaded at run time.
std::mutex stampLock;
std::time_t stampSecond = -1;
char stampText[32] = {};
std::size_t stampLength = 0;

void AppendSecondStamp(std::string& line, std::time_t second) {
    const std::lock_guard<std::mutex> guard(stampLock);
    if (second != stampSecond) {
        // The reentrant local time of the log's own toolkit.
        const std::tm local = spdlog::details::os::localtime(second);
        const int length =
            std::snprintf(stampText, sizeof stampText, "%04d-%02d-%02d%c%02d:%02d:%02d",
                          local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                          LogLine::DateTimeSeparator, local.tm_hour, local.tm_min, local.tm_sec);
        stampLength = length > 0 ? std::min<std::size_t>(length, sizeof stampText - 1) : 0;
        stampSecond = second;
    }
    line.append(stampText, stampLength);
}

// Everything in front of the body: stamp, level and their separators. `bodySize` is what the
// caller appends after it, so that the line grows at most once.
void AppendHead(std::string& line, std::chrono::system_clock::time_point time, LogLevel level,
                std::size_t bodySize) {
    using namespace std::chrono;
    const auto seconds = floor<std::chrono::seconds>(time);
    const auto millis = static_cast<int>(duration_cast<milliseconds>(time - seconds).count());
    const std::string_view levelName = LevelName(level);
    line.reserve(line.size() + 32 + levelName.size() + bodySize);
    AppendSecondStamp(line, system_clock::to_time_t(seconds));
    line += LogLine::FractionSeparator;
    line += static_cast<char>('0' + millis / 100);
    line += static_cast<char>('0' + millis / 10 % 10);
    line += static_cast<char>('0' + millis % 10);
    line += LogLine::FieldSeparator;
    line += levelName;
    line += LogLine::FieldSeparator;
}

} // namespace

void AppendRecord(std::string& line, std::chrono::system_clock::time_point time, LogLevel level,
                  std::string_view body) {
    AppendHead(line, time, level, body.size());
    line += body;
    line += '\n';
}

void AppendRecord(std::string& line, std::chrono::system_clock::time_point time, LogLevel level,
                  const RecordFields& fields) {
    AppendHead(line, time, level, BodySize(fields));
    AppendBody(line, fields);
    line += '\n';
}

std::string FormatRecord(std::chrono::system_clock::time_point time, LogLevel level,
                         std::string_view body) {
    std::string line;
    AppendRecord(line, time, level, body);
    return line;
}

} // namespace KxLogLib
