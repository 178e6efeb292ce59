#include "DemoSupport.h"

#include <dlfcn.h>

namespace demo {

std::string LibraryDirectory(const void* anyFunction) {
    Dl_info info{};
    if (dladdr(anyFunction, &info) == 0 || info.dli_fname == nullptr) {
        return "";
    }
    const std::string path = info.dli_fname;
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

const char* LibrarySuffix() {
    return ".so";
}

char Separator() {
    return '/';
}

} // namespace demo
