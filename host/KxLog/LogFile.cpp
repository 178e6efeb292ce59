#include "LogFile.h"

#include <KxLog/KxLog.h>

#include <spdlog/details/file_helper.h>

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
        auto file = std::make_unique<spdlog::details::file_helper>();
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
}

void LogFile::Write(const LineBuffer& line) {
    file_->write(line);
    file_->flush();
}

} // namespace KxLogLib
