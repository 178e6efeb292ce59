#include "TestSystem.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>

namespace TestSupport {

namespace {

std::wstring Wide(const std::string& text) {
    const int size =
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                          size);
    return wide;
}

std::string Narrow(const std::wstring& wide) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size,
                          nullptr, nullptr);
    return text;
}

} // namespace

void* OpenLibrary(const std::string& path, std::string& error) {
    // The library's own folder is searched for what it imports, as a host that loads the
    // platform by its full path has it.
    HMODULE library = ::LoadLibraryExW(Wide(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (library == nullptr) {
        error = "error " + std::to_string(::GetLastError());
    }
    return reinterpret_cast<void*>(library);
}

void* LibrarySymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseLibrary(void* library) {
    ::FreeLibrary(static_cast<HMODULE>(library));
}

void SearchAddedDirectories() {
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
}

std::string Variable(const std::string& name) {
    const std::wstring wideName = Wide(name);
    const DWORD size = ::GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size == 0) {
        return std::string();
    }
    std::wstring value(size, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
    value.resize(length < size ? length : 0);
    return Narrow(value);
}

// The C runtime's copy and the process's own both change: the platform reads either.
void SetVariable(const std::string& name, const std::string& value) {
    ::_putenv_s(name.c_str(), value.c_str());
    ::SetEnvironmentVariableW(Wide(name).c_str(), Wide(value).c_str());
}

void UnsetVariable(const std::string& name) {
    ::_putenv_s(name.c_str(), "");
    ::SetEnvironmentVariableW(Wide(name).c_str(), nullptr);
}

// The process's own block, which the platform reads and writes; the C runtime's copy follows
// only what goes through the runtime. The entries of the drives' folders ("=C:=…") are left out.
std::vector<std::string> Variables() {
    std::vector<std::string> variables;
    wchar_t* block = ::GetEnvironmentStringsW();
    if (block == nullptr) {
        return variables;
    }
    for (const wchar_t* entry = block; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
        if (*entry != L'=') {
            variables.push_back(Narrow(entry));
        }
    }
    ::FreeEnvironmentStringsW(block);
    return variables;
}

std::string VariableKey(const std::string& name) {
    std::string key = name;
    for (char& c : key) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return key;
}

const char* SearchVariable() {
    return "path";
}

} // namespace TestSupport
