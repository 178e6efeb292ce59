// Where a package's resources are: the rule the platform registers a package with, and that
// kaldor applies to predict it.
#pragma once

#include <string>

namespace VELMORA::NEVRA::Platform {

class FilePath;

// The resource root of the library `dllPath`: `resourcePath` when given, else the folder beside
// the library named after its stem, else an entry of that name in `resourceArea` (in directory
// form, taken whatever kind of entry it is), else "". A root found is in directory form.
std::string ResolveResourceRoot(const char* dllPath, const char* resourcePath,
                                const std::string& resourceArea);
// The same for a library path and an area parsed already: a registration parses each only once.
std::string ResolveResourceRoot(const FilePath& dll, const char* resourcePath,
                                const FilePath& resourceArea);

} // namespace VELMORA::NEVRA::Platform
