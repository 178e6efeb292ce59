#include "OwnFile.h"

#include <dlfcn.h>

std::string OwnFile(const void* address) {
    Dl_info info{};
    if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) {
        return std::string();
    }
    return info.dli_fname;
}
