// The loaders' error texts, read back: the one reading of the Linux loader's words, for the error
// code a failed load reports (dlopen gives a text only, and callers tell a missing file from a
// broken one by the code, as on Windows), and of what the layer adds to Windows' texts; both for
// what kaldor explains. Pure string work, so it builds everywhere.
#pragma once

#include <string>

namespace VELMORA::NEVRA::Platform::Sys {

// The loader's words for a file that ends before the parts it declares, which the layer also
// uses where it finds such a file before the loader does.
inline constexpr char FileTooShortPhrase[] = "file too short";
// What the layer adds to a loader text that says only that a module is missing (Windows'), when
// it found the missing import itself: "<loader text> (missing dependency: Dep.dll)".
inline constexpr char MissingDependencyPhrase[] = " (missing dependency: ";

// ENOENT when the file or one of its dependencies is missing, EACCES, EISDIR, ENOEXEC for a file
// that is no loadable library, EINVAL for anything else.
int ErrorFromLoaderText(const std::string& text);

// What went wrong, by a loader text such as "Dep.so: cannot open shared object file: No such
// file or directory" given while loading `libraryPath`.
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
LoaderProblem ParseLoaderText(const std::string& loaderText, const std::string& libraryPath);

// Whether the subject of a loader text is the library loaded from `libraryPath`: the loader
// names it as it was asked for it, which may be a bare name.
bool IsSameLibrary(const std::string& subject, const std::string& libraryPath);

} // namespace VELMORA::NEVRA::Platform::Sys
