// Reports what the platform layer says about its own module when it lives in a shared library.
#include "Sys.h"

#include <cstring>
#include <string>

extern "C" void SysProbeOwnModulePath(char* buffer, unsigned long size) {
    const std::string path = VELMORA::NEVRA::Platform::Sys::OwnModulePath();
    std::strncpy(buffer, path.c_str(), size);
    buffer[size - 1] = '\0';
}
