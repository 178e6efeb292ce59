#include "TestSystem.h"

#include <dlfcn.h>

#include <cstdlib>

extern char** environ;

namespace TestSupport {

void* OpenLibrary(const std::string& path, std::string& error) {
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* text = ::dlerror();
        error = text != nullptr ? text : "unknown error";
    }
    return library;
}

void* LibrarySymbol(void* library, const char* name) {
    return ::dlsym(library, name);
}

void CloseLibrary(void* library) {
    ::dlclose(library);
}

void SearchAddedDirectories() {}

std::string Variable(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value != nullptr ? value : "";
}

void SetVariable(const std::string& name, const std::string& value) {
    ::setenv(name.c_str(), value.c_str(), 1);
}

void UnsetVariable(const std::string& name) {
    ::unsetenv(name.c_str());
}

std::vector<std::string> Variables() {
    std::vector<std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        variables.emplace_back(*entry);
    }
    return variables;
}

std::string VariableKey(const std::string& name) {
    return name;
}

const char* SearchVariable() {
    return "LD_LIBRARY_PATH";
}

} // namespace TestSupport
