// The open log file: <directory>/KxLog.log, appended to, every record flushed at once so that a
// crash loses nothing and a reader sees each record as soon as the call returns.
#pragma once

#include "LogRecord.h"

#include <memory>
#include <string>

namespace spdlog::details {
class file_helper;
}

namespace KxLogLib {

class LogFile final {
public:
    LogFile();
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Closes what is open, creates `directory` with all missing levels and opens KxLog.log in it
    // for appending. Returns "" on success, else what failed and why; the file is closed then.
    std::string Open(const std::string& directory);
    void Close() noexcept;
    bool IsOpen() const { return file_ != nullptr; }
    const std::string& Path() const { return path_; }

    // Writes and flushes one whole line; throws std::exception when the file cannot be written.
    void Write(const LineBuffer& line);

private:
    std::unique_ptr<spdlog::details::file_helper> file_;
    // The descriptor under the helper's stream, which records are written through.
    int descriptor_ = -1;
    std::string path_;
};

} // namespace KxLogLib
