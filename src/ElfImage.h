// The parts of an ELF file that decide whether and how it loads, read from bytes already in
// memory the way the dynamic loader reads them: the identity (class, byte order, machine, file
// type), then the program headers and the dynamic segment they point to, which name the needed
// libraries, the run path and the dynamic symbol table. The section table, which the loader
// never reads and `strip` may remove, is consulted only for what the dynamic segment leaves
// open. Reading is pure: no system call, nothing read outside the bytes given, and a damaged
// file says what is wrong with it instead of yielding a crash or garbage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace VELMORA::NEVRA::Platform {

class ElfImage final {
public:
    // How far to read. Loading needs the dependencies only; examining a library without
    // loading it also wants its symbols, which cost a string for each one exported.
    enum class Detail { Dependencies, Symbols };

    // The leading bytes that hold the header of either class: all that identity needs.
    static constexpr std::size_t identityBytes = 64;

    // Reads `size` bytes at `data`; the image keeps no pointer into them. The bytes may be a
    // prefix of the file: what lies beyond them reads as damage.
    ElfImage(const unsigned char* data, std::size_t size, Detail detail = Detail::Dependencies);

    // The bytes begin with the ELF magic number: whatever else is wrong, this is an ELF file.
    bool IsElf() const { return isElf_; }
    // The header was read: class, byte order, machine and type below are the file's.
    bool HasIdentity() const { return hasIdentity_; }
    unsigned char FileClass() const { return fileClass_; } // ELFCLASS32 or ELFCLASS64
    unsigned char ByteOrder() const { return byteOrder_; } // ELFDATA2LSB or ELFDATA2MSB
    std::uint16_t Machine() const { return machine_; }
    // Whether a process whose own image is `process` can load this one: the loader takes only
    // a library of the process's class, byte order and machine. Unknown when either image's
    // header could not be read.
    enum class Fit { Loadable, OtherByteOrder, OtherMachine, Unknown };
    Fit FitFor(const ElfImage& process) const;
    // ET_DYN: what the loader can map as a library (a position-independent program is one too).
    bool IsSharedObject() const { return sharedObject_; }

    // The DT_NEEDED names in the order of the dynamic segment. Empty when the file has none or
    // its dynamic segment cannot be read; a single name that cannot be read is passed over.
    const std::vector<std::string>& NeededNames() const { return needed_; }
    // The directories of DT_RUNPATH, or of DT_RPATH when there is no DT_RUNPATH (the loader
    // ignores DT_RPATH then), unexpanded and without empty elements.
    const std::vector<std::string>& RunPath() const { return runPath_; }

    // Read with Detail::Symbols only. The functions defined here that another module can look
    // up by name (bound global, weak or GNU-unique, visible), sorted.
    const std::vector<std::string>& ExportedFunctions() const { return exported_; }
    bool ExportsFunction(const std::string& name) const;
    // The symbols defined here bound STB_GNU_UNIQUE, in table order: while one is defined, the
    // system never unloads the library.
    const std::vector<std::string>& UniqueSymbols() const { return unique_; }

    // Whether a file of `fileSize` bytes holds all that its load segments map. The loader maps a
    // shorter file all the same, and the process dies of SIGBUS when it touches a page past the
    // end, so such a file must never reach it.
    bool SegmentsFit(std::uint64_t fileSize) const { return mappedEnd_ <= fileSize; }

    // Why the file is not a readable library, or why names were passed over; empty when
    // nothing was wrong. The first problem met is kept.
    const std::string& Damage() const { return damage_; }

private:
    class Reader;

    bool isElf_ = false;
    bool hasIdentity_ = false;
    unsigned char fileClass_ = 0;
    unsigned char byteOrder_ = 0;
    std::uint16_t machine_ = 0;
    bool sharedObject_ = false;
    std::uint64_t mappedEnd_ = 0; // the furthest file byte a load segment maps, plus one
    std::vector<std::string> needed_;
    std::vector<std::string> runPath_;
    std::vector<std::string> exported_;
    std::vector<std::string> unique_;
    std::string damage_;
};

} // namespace VELMORA::NEVRA::Platform
