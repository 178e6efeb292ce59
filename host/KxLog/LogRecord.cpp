#include "LogRecord.h"

#include <HostCommon/HostTrace.h>

#include <spdlog/details/os.h>

#include <cstdio>
#include <ctime>

namespace KxLogLib {

std::string_view LevelName(LogLevel level) {
    switch (level) {
    case LogLevel::Info:
        return "INFO";
    case LogLevel::Error:
        return "ERROR";
    case LogLevel::Fatal:
        return "FATAL";
    }
    return "FATAL";
}

std::string RecordBody(std::string_view module, std::string_view source, int line,
                       std::string_view message) {
    std::string body;
    body.reserve(module.size() + source.size() + message.size() + 16);
    HostCommon::AppendField(body, module);
    body += '\t';
    HostCommon::AppendField(body, source);
    body += '\t';
    body += std::to_string(line);
    body += '\t';
    HostCommon::AppendField(body, message);
    return body;
}

namespace {

// The local time of one second as the record writes it. Working it out (the time zone's rules,
// then the formatting) cost more than the rest of a record, and records come many to a second;
// each thread keeps the last second it wrote, since records come from any thread.
std::string_view SecondStamp(std::time_t second) {
    thread_local std::time_t cachedSecond = -1;
    thread_local char cached[32] = {};
    thread_local int length = 0;
    if (second != cachedSecond) {
        // The reentrant local time of the log's own toolkit.
        const std::tm local = spdlog::details::os::localtime(second);
        length = std::snprintf(cached, sizeof cached, "%04d-%02d-%02dT%02d:%02d:%02d",
                               local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                               local.tm_min, local.tm_sec);
        if (length < 0 || length >= static_cast<int>(sizeof cached)) {
            length = 0;
            return std::string_view();
        }
        cachedSecond = second;
    }
    return std::string_view(cached, static_cast<std::size_t>(length));
}

} // namespace

std::string FormatRecord(std::chrono::system_clock::time_point time, LogLevel level,
                         std::string_view body) {
    using namespace std::chrono;
    const auto seconds = floor<std::chrono::seconds>(time);
    const auto millis = static_cast<int>(duration_cast<milliseconds>(time - seconds).count());
    const std::string_view stamp = SecondStamp(system_clock::to_time_t(seconds));
    const std::string_view levelName = LevelName(level);
    std::string line;
    line.reserve(stamp.size() + 6 + levelName.size() + body.size() + 2);
    line += stamp;
    line += '.';
    line += static_cast<char>('0' + millis / 100);
    line += static_cast<char>('0' + millis / 10 % 10);
    line += static_cast<char>('0' + millis % 10);
    line += '\t';
    line += levelName;
    line += '\t';
    line += body;
    line += '\n';
    return line;
}

} // namespace KxLogLib
