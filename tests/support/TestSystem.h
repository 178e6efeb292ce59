// What the test support asks of the system it runs on, one implementation file per system: the
// loader as a host uses it, and the process's environment.
#pragma once

#include <string>
#include <vector>

namespace TestSupport {

// A library loaded by its full path with the system's loader, as a host loads the platform; null
// with `error` set when it cannot be loaded.
void* OpenLibrary(const std::string& path, std::string& error);
void* LibrarySymbol(void* library, const char* name);
void CloseLibrary(void* library);
// Makes the loads of this process search the directories added for them (AddDllDirectory) as a
// host may ask Windows to; for the rest of the process. Elsewhere the platform's own loads search
// them anyway, and nothing changes.
void SearchAddedDirectories();

// The process's variable `name`; "" when it is not set.
std::string Variable(const std::string& name);
void SetVariable(const std::string& name, const std::string& value);
void UnsetVariable(const std::string& name);
// Every variable of the process as "name=value".
std::vector<std::string> Variables();
// What tells one variable from another: the name, or on Windows the name in any case.
std::string VariableKey(const std::string& name);

// The variable that the loader searches for what a library needs.
const char* SearchVariable();

} // namespace TestSupport
