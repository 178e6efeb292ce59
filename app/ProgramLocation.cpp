#include "ProgramLocation.h"

#include <system_error>

namespace kaldor {

std::filesystem::path ProgramDirectory() {
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : executable.parent_path();
}

} // namespace kaldor
