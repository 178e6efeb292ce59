// Why a user folder cannot take what the platform writes into it: the first part of its path
// that is no folder (a file, a dangling link), or the system's error when a file cannot be
// written there (read-only, full).
#pragma once

#include <optional>
#include <string>

namespace kaldor {

// Nothing when `folder` is, or can be made, a folder in which a file can be written. Looking
// writes one small file into the folder, or into the nearest one that exists, and removes it.
std::optional<std::string> UserFolderProblem(const std::string& folder);

} // namespace kaldor
