// A shared library's dynamic section and exported symbols, read from the file itself, so that
// a library can be examined without running any of its code.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace kaldor {

// The file is not a readable ELF shared library; the text says why.
class ElfError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ElfFile {
public:
    // Throws ElfError.
    static ElfFile Read(const std::string& path);

    bool Is64Bit() const { return is64_; }
    std::uint16_t Machine() const { return machine_; }
    bool IsSharedObject() const { return shared_; }
    // The DT_NEEDED names, in order.
    const std::vector<std::string>& Needed() const { return needed_; }
    // The directories of DT_RUNPATH, or of DT_RPATH when there is no DT_RUNPATH, unexpanded.
    const std::vector<std::string>& SearchPaths() const { return searchPaths_; }
    // Functions defined here that another module can look up by name.
    const std::vector<std::string>& ExportedFunctions() const { return exported_; }
    bool Exports(const std::string& name) const;
    // Symbols bound STB_GNU_UNIQUE: while one is defined, the system never unloads the library.
    const std::vector<std::string>& UniqueSymbols() const { return unique_; }
    // The exported functions named like a package's entry points ("…Init", "…Exit"): what a
    // library offers instead when its entry points do not match its file name.
    std::vector<std::string> EntryPointLikeExports() const;

private:
    template <typename Traits> friend struct ElfParser;

    bool is64_ = false;
    std::uint16_t machine_ = 0;
    bool shared_ = false;
    std::vector<std::string> needed_;
    std::vector<std::string> searchPaths_;
    std::vector<std::string> exported_;
    std::vector<std::string> unique_;
};

} // namespace kaldor
