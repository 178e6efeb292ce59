#include "DemoSupport.h"

#include <dlfcn.h>

#include <cstdlib>
#include <fstream>

namespace demo {

void Event(const std::string& text) {
    const char* file = std::getenv("KALDOR_DEMO_EVENTS");
    if (file == nullptr || *file == '\0') {
        return;
    }
    std::ofstream out(file, std::ios::app);
    out << text << '\n';
}

std::string LibraryDirectory(const void* anyFunction) {
    Dl_info info{};
    if (dladdr(anyFunction, &info) == 0 || info.dli_fname == nullptr) {
        return "";
    }
    const std::string path = info.dli_fname;
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace demo
