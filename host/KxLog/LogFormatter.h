// Lets the log file's sink write records in the one line format of LogRecord.h.
#pragma once

#include "LogRecord.h"

#include <spdlog/formatter.h>

#include <memory>
#include <string>

namespace KxLogLib {

spdlog::level::level_enum ToSinkLevel(LogLevel level);
LogLevel FromSinkLevel(spdlog::level::level_enum level);

class LogFormatter final : public spdlog::formatter {
public:
    // The message's payload is the record body; time and level come from the message.
    void format(const spdlog::details::log_msg& msg, spdlog::memory_buf_t& dest) override;
    std::unique_ptr<spdlog::formatter> clone() const override;

private:
    std::string line_;
};

} // namespace KxLogLib
