#include "LogFile.h"

#include <KxLog/KxLog.h>

#include <spdlog/common.h>
#include <spdlog/details/file_helper.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
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
        // The caller serialises every record, so the file needs no lock of its own.
        spdlog::file_event_handlers handlers;
        handlers.after_open = [this](const spdlog::filename_t&, std::FILE* stream) {
            descriptor_ = ::fileno(stream);
        };
        auto file = std::make_unique<spdlog::details::file_helper>(handlers);
        file->open(path, false);
        file_ = std::move(file);
        path_ = path;
    } catch (const std::exception& e) {
        return "cannot open " + path + ": " + e.what();
    }
    return {};
}

void LogFile::Close() noexcept {
    if (file_ == nullptr) {
        return;
    }
    try {
        file_->flush();
    } catch (const std::exception&) {
        // Every record was flushed when written; a failing final flush has nothing left to lose.
    }
    file_.reset();
    descriptor_ = -1;
}

// Each line goes to the descriptor at once: the stream's buffer, its lock and the flush after
// every record cost more than making the record. The stream itself is never written to, so it
// holds nothing that could come out of order. The failure's text is the helper's own.
void LogFile::Write(const LineBuffer& line) {
    const char* data = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(descriptor_, data, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw spdlog::spdlog_ex("Failed writing to file " + path_, errno);
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

} // namespace KxLogLib
