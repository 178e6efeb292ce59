#include "LoaderErrorPosix.h"

#include <cerrno>

namespace VELMORA::NEVRA::Platform::Sys {

int ErrorFromLoaderText(const std::string& text) {
    const auto has = [&text](const char* part) { return text.find(part) != std::string::npos; };
    if (has("Permission denied")) {
        return EACCES;
    }
    if (has("Is a directory")) {
        return EISDIR;
    }
    if (has("cannot open shared object file") || has("No such file")) {
        return ENOENT;
    }
    if (has("ELF") || has("ET_DYN") || has("file too short") || has("cannot read file data")) {
        return ENOEXEC;
    }
    return EINVAL;
}

} // namespace VELMORA::NEVRA::Platform::Sys
