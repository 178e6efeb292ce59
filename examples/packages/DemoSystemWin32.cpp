#include "DemoSupport.h"

#include <windows.h>

namespace demo {

std::string LibraryDirectory(const void* anyFunction) {
    HMODULE module = nullptr;
    char path[MAX_PATH] = {};
    if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCSTR>(anyFunction), &module)) {
        return "";
    }
    const DWORD length = ::GetModuleFileNameA(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return "";
    }
    const std::string file(path, length);
    const auto separator = file.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : file.substr(0, separator + 1);
}

const char* LibrarySuffix() {
    return ".dll";
}

char Separator() {
    return '\\';
}

} // namespace demo
