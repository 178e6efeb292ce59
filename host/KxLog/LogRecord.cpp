#include "LogRecord.h"

#include "LogLineFormat.h"

#include <HostCommon/HostTrace.h>

#include <spdlog/details/os.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>

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

void Append(LineBuffer& line, std::string_view text) {
    line.append(text.data(), text.data() + text.size());
}

void AppendBody(LineBuffer& line, const RecordFields& fields) {
    HostCommon::AppendTextField(line, fields.module);
    line.push_back(LogLine::FieldSeparator);
    HostCommon::AppendTextField(line, fields.source);
    line.push_back(LogLine::FieldSeparator);
    char digits[kMaxLineDigits];
    line.append(digits, std::to_chars(digits, digits + sizeof digits, fields.line).ptr);
    line.push_back(LogLine::FieldSeparator);
    HostCommon::AppendTextField(line, fields.message);
}

} // namespace

std::string RecordBody(const RecordFields& fields) {
    LineBuffer body;
    AppendBody(body, fields);
    return std::string(body.data(), body.size());
}

namespace {

// The local time of the last second a record was written in, as records write it. Working it out
// (the time zone's rules, then the formatting) cost more than the rest of a record, and records
// come many to a second. Constant-initialised and trivially destructible, like the log's own
// lock, so that it is valid whenever a record comes; thread-local storage is not, in a library
// that is loaded and unloaded at run time. The log's lock, under which every line is made, guards
// it too.
std::time_t stampSecond = -1;
char stampText[32] = {};
std::size_t stampLength = 0;

// The stamp of `second`, worked out again only when the second changes.
std::string_view SecondStamp(std::time_t second) {
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
    return {stampText, stampLength};
}

// A stamp with its milliseconds, the longest level and the separators after each.
constexpr std::size_t kMaxHeadSize =
    sizeof stampText + 4 + 1 +
    std::max({LogLine::InfoLevel.size(), LogLine::ErrorLevel.size(), LogLine::FatalLevel.size()}) +
    1;

// Everything in front of the body: stamp, level and their separators. Put together on the stack
// and appended at once, since the line's every append checks for room.
void AppendHead(LineBuffer& line, std::chrono::system_clock::time_point time, LogLevel level) {
    using namespace std::chrono;
    const auto seconds = floor<std::chrono::seconds>(time);
    const auto millis = static_cast<int>(duration_cast<milliseconds>(time - seconds).count());
    const std::string_view stamp = SecondStamp(system_clock::to_time_t(seconds));
    const std::string_view levelName = LevelName(level);
    char head[kMaxHeadSize];
    char* out = std::copy(stamp.begin(), stamp.end(), head);
    *out++ = LogLine::FractionSeparator;
    *out++ = static_cast<char>('0' + millis / 100);
    *out++ = static_cast<char>('0' + millis / 10 % 10);
    *out++ = static_cast<char>('0' + millis % 10);
    *out++ = LogLine::FieldSeparator;
    out = std::copy(levelName.begin(), levelName.end(), out);
    *out++ = LogLine::FieldSeparator;
    line.append(head, out);
}

} // namespace

void AppendRecord(LineBuffer& line, std::chrono::system_clock::time_point time, LogLevel level,
                  std::string_view body) {
    AppendHead(line, time, level);
    Append(line, body);
    line.push_back('\n');
}

void AppendRecord(LineBuffer& line, std::chrono::system_clock::time_point time, LogLevel level,
                  const RecordFields& fields) {
    AppendHead(line, time, level);
    AppendBody(line, fields);
    line.push_back('\n');
}

} // namespace KxLogLib
