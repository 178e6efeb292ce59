#include "LoaderText.h"

#include <cerrno>
#include <filesystem>

namespace VELMORA::NEVRA::Platform::Sys {

namespace {

// The loader's own phrases.
constexpr char cannotOpen[] = "cannot open shared object file";
constexpr char noSuchFile[] = "No such file";
constexpr char permissionDenied[] = "Permission denied";
constexpr char isADirectory[] = "Is a directory";
constexpr char cannotReadData[] = "cannot read file data";
constexpr char undefinedSymbol[] = "undefined symbol: ";
constexpr char wrongElfClass[] = "wrong ELF class";
constexpr char elfFile[] = "ELF file";
constexpr char invalidElfHeader[] = "invalid ELF header";
constexpr char notDynamic[] = "not a dynamic";
// Between the subject and what happened to it.
constexpr char subjectEnd[] = ": ";

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool Contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

} // namespace

int ErrorFromLoaderText(const std::string& text) {
    if (Contains(text, permissionDenied)) {
        return EACCES;
    }
    if (Contains(text, isADirectory)) {
        return EISDIR;
    }
    if (Contains(text, cannotOpen) || Contains(text, noSuchFile)) {
        return ENOENT;
    }
    if (Contains(text, "ELF") || Contains(text, "ET_DYN") || Contains(text, FileTooShortPhrase) ||
        Contains(text, cannotReadData)) {
        return ENOEXEC;
    }
    return EINVAL;
}

bool IsSameLibrary(const std::string& subject, const std::string& libraryPath) {
    if (subject == libraryPath) {
        return true;
    }
    return subject.find('/') == std::string::npos &&
           std::filesystem::path(libraryPath).filename() == subject;
}

LoaderProblem ParseLoaderText(const std::string& loaderText, const std::string& libraryPath) {
    if (const auto at = loaderText.rfind(MissingDependencyPhrase);
        at != std::string::npos && loaderText.back() == ')') {
        const auto begin = at + std::string(MissingDependencyPhrase).size();
        return {LoaderProblem::Kind::DependencyMissing,
                loaderText.substr(begin, loaderText.size() - 1 - begin)};
    }
    // "<subject>: <what happened>", where the subject may itself contain ": " only in odd paths;
    // the loader's own phrases are looked for from the first separator on.
    const auto separator = loaderText.find(subjectEnd);
    const std::string subject =
        separator == std::string::npos ? std::string() : loaderText.substr(0, separator);
    const std::string rest = separator == std::string::npos
                                 ? loaderText
                                 : loaderText.substr(separator + std::string(subjectEnd).size());

    if (StartsWith(rest, cannotOpen)) {
        if (IsSameLibrary(subject, libraryPath)) {
            const bool missing = Contains(rest, noSuchFile);
            return {missing ? LoaderProblem::Kind::FileMissing
                            : LoaderProblem::Kind::FileUnreadable,
                    subject};
        }
        return {LoaderProblem::Kind::DependencyMissing, subject};
    }
    if (StartsWith(rest, undefinedSymbol)) {
        std::string symbol = rest.substr(std::string(undefinedSymbol).size());
        const auto comma = symbol.find(',');
        return {LoaderProblem::Kind::UndefinedSymbol, symbol.substr(0, comma)};
    }
    if (Contains(rest, wrongElfClass) || Contains(rest, elfFile)) {
        return {LoaderProblem::Kind::WrongArchitecture, subject};
    }
    if (Contains(rest, invalidElfHeader) || Contains(rest, FileTooShortPhrase) ||
        Contains(rest, notDynamic)) {
        return {LoaderProblem::Kind::NotALibrary, subject};
    }
    return {LoaderProblem::Kind::Other, subject};
}

} // namespace VELMORA::NEVRA::Platform::Sys
