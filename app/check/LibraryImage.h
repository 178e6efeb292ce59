// A library file read for examination, never loaded: the platform's own reader of the system's
// library format (ELF, or PE on Windows) on the bytes the platform's file layer reads, so that
// kaldor sees a library exactly as start-up does.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kaldor {

class LibraryImage final {
public:
    // Whether this program can load the library: the loader takes only one built for the
    // program's own machine (and, for ELF, its class and byte order).
    enum class Fit { Loadable, OtherByteOrder, OtherMachine };

    // The image of the file at `path`, symbols included. Nothing when the file cannot be read or
    // is no readable library of the system's format; `error` then names the file and says why.
    static std::optional<LibraryImage> Read(const std::string& path, std::string& error);

    Fit FitForThisProgram() const { return fit_; }
    // What the loader maps as a library (an ELF shared object, a DLL).
    bool IsLibrary() const { return library_; }
    // The functions another module can look up by name, sorted.
    const std::vector<std::string>& ExportedFunctions() const { return exported_; }
    bool ExportsFunction(const std::string& name) const;
    // Symbols that keep the library loaded for good once it is loaded (ELF's GNU-unique ones).
    const std::vector<std::string>& UniqueSymbols() const { return unique_; }
    // The libraries the loader must find first, and the run path written in the file.
    const std::vector<std::string>& NeededNames() const { return needed_; }
    const std::vector<std::string>& RunPath() const { return runPath_; }

private:
    LibraryImage() = default;

    Fit fit_ = Fit::Loadable;
    bool library_ = false;
    std::vector<std::string> exported_;
    std::vector<std::string> unique_;
    std::vector<std::string> needed_;
    std::vector<std::string> runPath_;
};

// The bytes of a library file, for the readers of the formats; false with `error` naming the
// file when it cannot be read.
bool ReadLibraryBytes(const std::string& path, std::string& bytes, std::string& error);

// The exported functions named like a package's entry points ("…Init", "…Exit"): what a
// library offers instead when its entry points do not match its file name.
std::vector<std::string> EntryPointLikeExports(const LibraryImage& image);

} // namespace kaldor
