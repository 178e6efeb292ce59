#include "LogFormatter.h"

#include <string>
#include <string_view>

namespace KxLogLib {

spdlog::level::level_enum ToSinkLevel(LogLevel level) {
    switch (level) {
    case LogLevel::Info:
        return spdlog::level::info;
    case LogLevel::Error:
        return spdlog::level::err;
    case LogLevel::Fatal:
        return spdlog::level::critical;
    }
    return spdlog::level::critical;
}

LogLevel FromSinkLevel(spdlog::level::level_enum level) {
    if (level <= spdlog::level::info) {
        return LogLevel::Info;
    }
    return level == spdlog::level::critical ? LogLevel::Fatal : LogLevel::Error;
}

void LogFormatter::format(const spdlog::details::log_msg& msg, spdlog::memory_buf_t& dest) {
    // The sink formats one record at a time: the line's storage is kept from one to the next.
    line_.clear();
    AppendRecord(line_, msg.time, FromSinkLevel(msg.level),
                 std::string_view(msg.payload.data(), msg.payload.size()));
    dest.append(line_.data(), line_.data() + line_.size());
}

std::unique_ptr<spdlog::formatter> LogFormatter::clone() const {
    return std::make_unique<LogFormatter>();
}

} // namespace KxLogLib
