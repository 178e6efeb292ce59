// The platform layer inside a library of its own, so that a test can ask it from there which file
// holds its code and have it add that file's directory.
#include "Sys.h"

#include <string>

namespace Sys = VELMORA::NEVRA::Platform::Sys;

extern "C" __declspec(dllexport) const char* SysProbeOwnModulePath() {
    static std::string path;
    path = Sys::OwnModulePath();
    return path.c_str();
}

extern "C" __declspec(dllexport) void* SysProbeAddOwnDirectory() {
    return Sys::AddModuleDirectory(Sys::ModuleFile::Platform);
}
