#include "LogFile.h"

#include "LogFormatter.h"

#include <KxLog/KxLog.h>

#include <spdlog/sinks/basic_file_sink.h>

#include <exception>
#include <filesystem>
#include <system_error>

namespace KxLogLib {

LogFile::LogFile() = default;

LogFile::~LogFile() {
    Close();
}

std::string LogFile::Open(const std::string& directory) {
    Close();
    if (directory.empty()) {
        return "no output directory was set";
    }
    const std::filesystem::path dir(directory);
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) {
        return "cannot create directory " + directory + ": " + error.message();
    }
    const std::string path = (dir / KxLogFileName).string();
    try {
        // The caller serialises every record, so the sink needs no lock of its own.
        auto sink = std::make_unique<spdlog::sinks::basic_file_sink_st>(path, false);
        sink->set_formatter(std::make_unique<LogFormatter>());
        sink_ = std::move(sink);
        path_ = path;
    } catch (const std::exception& e) {
        return "cannot open " + path + ": " + e.what();
    }
    return {};
}

void LogFile::Close() noexcept {
    if (sink_ == nullptr) {
        return;
    }
    try {
        sink_->flush();
    } catch (const std::exception&) {
        // Every record was flushed when written; a failing final flush has nothing left to lose.
    }
    sink_.reset();
}

void LogFile::Write(std::chrono::system_clock::time_point time, LogLevel level,
                    std::string_view body) {
    const spdlog::details::log_msg msg(time, spdlog::source_loc{}, "KxLog", ToSinkLevel(level),
                                       spdlog::string_view_t(body.data(), body.size()));
    sink_->log(msg);
    sink_->flush();
}

} // namespace KxLogLib
