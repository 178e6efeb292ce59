#include "ProgramLocation.h"

#include <FilePath.h>
#include <Sys.h>

namespace kaldor {

namespace Platform = VELMORA::NEVRA::Platform;

std::string ProgramDirectory() {
    const std::string executable = Platform::Sys::ExecutablePath();
    return executable.empty() ? std::string()
                              : Platform::FilePath(executable).GoUp().ToFileForm().Str();
}

} // namespace kaldor
