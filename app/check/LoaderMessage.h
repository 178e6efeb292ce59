// The system loader's error texts, read back into what went wrong.
#pragma once

#include <string>

namespace kaldor {

struct LoaderProblem {
    enum class Kind {
        FileMissing,       // the library itself is not there
        FileUnreadable,    // there, but cannot be opened
        DependencyMissing, // `subject` names the missing dependency
        UndefinedSymbol,   // `subject` names the symbol
        WrongArchitecture, // built for another machine or word size
        NotALibrary,       // not a shared library at all
        Other,
    };
    Kind kind = Kind::Other;
    std::string subject;
};

// Reads a loader text such as "Dep.so: cannot open shared object file: No such file or
// directory" given while loading `libraryPath`.
LoaderProblem ParseLoaderText(const std::string& loaderText, const std::string& libraryPath);

// The problem in plain words, e.g. "its dependency Dep.so is missing"; `what` names the library
// in the texts that need it ("the package", "the platform library").
std::string ExplainLoaderText(const std::string& loaderText, const std::string& libraryPath,
                              const std::string& what);

} // namespace kaldor
