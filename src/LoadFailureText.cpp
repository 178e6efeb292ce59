#include "LoadFailureText.h"

#include "LoaderText.h"

namespace VELMORA::NEVRA::Platform {

std::string LoadFailureText(const Sys::LoadFailure& failure) {
    using Cause = Sys::LoadFailure::Cause;
    switch (failure.cause) {
    case Cause::LoaderText:
        break;
    case Cause::NoPath:
        return "cannot load a library from an empty path";
    case Cause::FileCutShort:
        return failure.subject + ": " + Sys::FileTooShortPhrase; // in the loader's own words
    case Cause::OtherMachine:
        return failure.loaderText + " (the file is a library for another machine)";
    case Cause::DependencyMissing:
        return failure.loaderText + Sys::MissingDependencyPhrase + failure.subject + ")";
    }
    return failure.loaderText;
}

} // namespace VELMORA::NEVRA::Platform
