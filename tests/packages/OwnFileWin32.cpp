#include "OwnFile.h"

#include <windows.h>

std::string OwnFile(const void* address) {
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCWSTR>(address), &module)) {
        return std::string();
    }
    wchar_t wide[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(module, wide, MAX_PATH);
    if (length == 0 || length == MAX_PATH) {
        return std::string();
    }
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), nullptr, 0,
                                           nullptr, nullptr);
    std::string path(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), path.data(), size, nullptr,
                          nullptr);
    return path;
}
