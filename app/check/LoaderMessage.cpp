#include "LoaderMessage.h"

#include <FileSystem.h>

namespace kaldor {

using VELMORA::NEVRA::Platform::Sys::IsSameLibrary;

std::string ExplainLoaderText(const std::string& loaderText, const std::string& libraryPath,
                              const std::string& what) {
    const LoaderProblem problem = ParseLoaderText(loaderText, libraryPath);
    // Windows' loader says only that a module is missing, the library's own file too.
    if (problem.kind == LoaderProblem::Kind::FileMissing ||
        (problem.kind == LoaderProblem::Kind::Other &&
         !VELMORA::NEVRA::Platform::TargetExists(libraryPath))) {
        return "the file " + libraryPath + " does not exist";
    }
    switch (problem.kind) {
    case LoaderProblem::Kind::FileMissing:
    case LoaderProblem::Kind::Other:
        break;
    case LoaderProblem::Kind::FileUnreadable:
        return "the file " + libraryPath + " cannot be opened (" + loaderText + ")";
    case LoaderProblem::Kind::DependencyMissing:
        return "its dependency " + problem.subject +
               " is missing (looked for beside it, in the installation's bin folder and on the "
               "system's library path)";
    case LoaderProblem::Kind::UndefinedSymbol:
        return "it needs the symbol " + problem.subject +
               ", which none of its dependencies provides (a dependency of the wrong version?)";
    case LoaderProblem::Kind::WrongArchitecture:
        return (problem.subject.empty() || IsSameLibrary(problem.subject, libraryPath)
                    ? what
                    : problem.subject) +
               " was built for another kind of machine";
    case LoaderProblem::Kind::NotALibrary:
        return (problem.subject.empty() || IsSameLibrary(problem.subject, libraryPath)
                    ? what
                    : problem.subject) +
               " is not a shared library";
    }
    return "the loader said: " + loaderText;
}

} // namespace kaldor
