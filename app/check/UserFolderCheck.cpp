#include "UserFolderCheck.h"

#include <FilePath.h>
#include <Sys.h>

#include <cerrno>
#include <system_error>

namespace kaldor {

namespace Platform = VELMORA::NEVRA::Platform;
namespace Sys = Platform::Sys;

namespace {

std::string SystemText(int error) {
    return std::generic_category().message(error);
}

// A byte written and flushed: a full file system refuses the write, not the file's creation.
std::optional<std::string> WriteProblem(const std::string& folder) {
    // Unnamed: a check that is stopped half-way leaves nothing in the user's folder.
    if (!Sys::WriteUnnamedFile(folder, "k")) {
        return folder + " cannot be written: " + Sys::ErrorText(Sys::LastError());
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> UserFolderProblem(const std::string& folder) {
    Platform::FilePath path(folder);
    path.ToDirectoryForm();
    // The walk starts at the root, or after the ".." steps that a relative path begins with.
    Platform::FilePath existing = path;
    while (existing.DirCount() > 0 && existing.Dir(existing.DirCount() - 1) != "..") {
        existing.GoUp();
    }
    for (std::size_t level = existing.DirCount(); level < path.DirCount(); ++level) {
        Platform::FilePath nextPath = existing;
        nextPath.AppendDir(path.Dir(level));
        const std::string next = Platform::FilePath(nextPath).ToFileForm().Str();
        Sys::Attributes entry;
        if (!Sys::GetAttributes(next, entry)) {
            // What is missing the platform creates: it needs the last folder that exists.
            break;
        }
        std::string resolved;
        if (entry.link && !Sys::ResolvePath(next, resolved)) {
            std::string target;
            Sys::ReadLink(next, target);
            return next + " is a link to " + target + ", which does not exist";
        }
        if (!entry.directory) {
            return next + " is not a folder (" + SystemText(ENOTDIR) + ")";
        }
        existing = nextPath;
    }
    const std::string last = existing.ToFileForm().Str();
    return WriteProblem(last.empty() ? "/" : last);
}

} // namespace kaldor
