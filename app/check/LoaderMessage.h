// The system loader's error texts in plain words; they are read as the platform reads them
// (LoaderText.h).
#pragma once

#include <LoaderText.h>

#include <string>

namespace kaldor {

using LoaderProblem = VELMORA::NEVRA::Platform::Sys::LoaderProblem;
using VELMORA::NEVRA::Platform::Sys::ParseLoaderText;

// The problem in plain words, e.g. "its dependency Dep.so is missing"; `what` names the library
// in the texts that need it ("the package", "the platform library").
std::string ExplainLoaderText(const std::string& loaderText, const std::string& libraryPath,
                              const std::string& what);

} // namespace kaldor
