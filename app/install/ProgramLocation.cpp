#include "ProgramLocation.h"

#include <Sys.h>

namespace kaldor {

std::filesystem::path ProgramDirectory() {
    const std::string executable = VELMORA::NEVRA::Platform::Sys::ExecutablePath();
    return executable.empty() ? std::filesystem::path()
                              : std::filesystem::path(executable).parent_path();
}

} // namespace kaldor
