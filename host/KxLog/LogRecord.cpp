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
    HostCommon::AppendField(body, module);
    body += '\t';
    HostCommon::AppendField(body, source);
    body += '\t';
    body += std::to_string(line);
    body += '\t';
    HostCommon::AppendField(body, message);
    return body;
}

std::string FormatRecord(std::chrono::system_clock::time_point time, LogLevel level,
                         std::string_view body) {
    using namespace std::chrono;
    const auto seconds = floor<std::chrono::seconds>(time);
    const auto millis = duration_cast<milliseconds>(time - seconds).count();
    // The reentrant local time of the log's own toolkit: records come from any thread.
    const std::tm local = spdlog::details::os::localtime(system_clock::to_time_t(seconds));
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(millis));
    std::string line(stamp);
    line += '\t';
    line += LevelName(level);
    line += '\t';
    line += body;
    line += '\n';
    return line;
}

} // namespace KxLogLib
