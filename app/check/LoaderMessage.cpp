#include "LoaderMessage.h"

#include <filesystem>

namespace kaldor {

namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

bool SameLibrary(const std::string& subject, const std::string& libraryPath) {
    if (subject == libraryPath) {
        return true;
    }
    // The loader names the library as it was asked for it, which may be a bare name.
    return subject.find('/') == std::string::npos &&
           std::filesystem::path(libraryPath).filename() == subject;
}

} // namespace

LoaderProblem ParseLoaderText(const std::string& loaderText, const std::string& libraryPath) {
    // "<subject>: <what happened>", where the subject may itself contain ": " only in odd paths;
    // the loader's own phrases are looked for from the first separator on.
    const std::string separatorText = ": ";
    const auto separator = loaderText.find(separatorText);
    const std::string subject =
        separator == std::string::npos ? std::string() : loaderText.substr(0, separator);
    const std::string rest = separator == std::string::npos
                                 ? loaderText
                                 : loaderText.substr(separator + separatorText.size());

    if (StartsWith(rest, "cannot open shared object file")) {
        if (SameLibrary(subject, libraryPath)) {
            const bool missing = Contains(rest, "No such file");
            return {missing ? LoaderProblem::Kind::FileMissing
                            : LoaderProblem::Kind::FileUnreadable,
                    subject};
        }
        return {LoaderProblem::Kind::DependencyMissing, subject};
    }
    if (StartsWith(rest, "undefined symbol: ")) {
        std::string symbol = rest.substr(std::string("undefined symbol: ").size());
        const auto comma = symbol.find(',');
        return {LoaderProblem::Kind::UndefinedSymbol, symbol.substr(0, comma)};
    }
    if (Contains(rest, "wrong ELF class") || Contains(rest, "ELF file")) {
        return {LoaderProblem::Kind::WrongArchitecture, subject};
    }
    if (Contains(rest, "invalid ELF header") || Contains(rest, "file too short") ||
        Contains(rest, "not a dynamic")) {
        return {LoaderProblem::Kind::NotALibrary, subject};
    }
    return {LoaderProblem::Kind::Other, subject};
}

std::string ExplainLoaderText(const std::string& loaderText, const std::string& libraryPath,
                              const std::string& what) {
    const LoaderProblem problem = ParseLoaderText(loaderText, libraryPath);
    switch (problem.kind) {
    case LoaderProblem::Kind::FileMissing:
        return "the file " + libraryPath + " does not exist";
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
        return (problem.subject.empty() || SameLibrary(problem.subject, libraryPath)
                    ? what
                    : problem.subject) +
               " was built for another kind of machine";
    case LoaderProblem::Kind::NotALibrary:
        return (problem.subject.empty() || SameLibrary(problem.subject, libraryPath)
                    ? what
                    : problem.subject) +
               " is not a shared library";
    case LoaderProblem::Kind::Other:
        break;
    }
    return "the loader said: " + loaderText;
}

} // namespace kaldor
