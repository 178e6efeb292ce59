// The error code a failed load reports, read from the dynamic loader's text: dlopen gives a text
// only, and callers tell a missing file from a broken one by the code, as on Windows.
#pragma once

#include <string>

namespace VELMORA::NEVRA::Platform::Sys {

// ENOENT when the file or one of its dependencies is missing, EACCES, EISDIR, ENOEXEC for a file
// that is no loadable library, EINVAL for anything else.
int ErrorFromLoaderText(const std::string& text);

} // namespace VELMORA::NEVRA::Platform::Sys
