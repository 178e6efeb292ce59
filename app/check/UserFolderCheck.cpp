#include "UserFolderCheck.h"

#include <Sys.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace kaldor {

namespace Sys = VELMORA::NEVRA::Platform::Sys;

namespace {

std::string SystemText(int error) {
    return std::generic_category().message(error);
}

// A byte written and flushed: a full file system refuses the write, not the file's creation.
std::optional<std::string> WriteProblem(const fs::path& folder) {
    const std::string probe = (folder / ".kaldor-write-check").string();
    const bool written = Sys::WriteNewFile(probe, "k");
    const Sys::ErrorCode error = Sys::LastError();
    if (!written) {
        return folder.string() + " cannot be written: " + Sys::ErrorText(error);
    }
    Sys::DeleteFile(probe);
    return std::nullopt;
}

} // namespace

std::optional<std::string> UserFolderProblem(const std::string& folder) {
    const fs::path path = fs::path(folder).lexically_normal();
    fs::path existing;
    for (const auto& part : path) {
        if (part.empty()) {
            continue;
        }
        const fs::path next = existing / part;
        std::error_code error;
        const fs::file_status entry = fs::symlink_status(next, error);
        if (!fs::exists(entry)) {
            // What is missing the platform creates: it needs the last folder that exists.
            break;
        }
        if (fs::is_symlink(entry) && !fs::exists(fs::status(next, error))) {
            return next.string() + " is a link to " + fs::read_symlink(next, error).string() +
                   ", which does not exist";
        }
        if (!fs::is_directory(fs::status(next, error))) {
            return next.string() + " is not a folder (" + SystemText(ENOTDIR) + ")";
        }
        existing = next;
    }
    return WriteProblem(existing.empty() ? fs::path("/") : existing);
}

} // namespace kaldor
