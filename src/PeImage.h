// The part of a Windows PE file (an executable or a DLL) that tells whether and how it loads: its
// machine, whether it is a DLL, the names in its import table (the libraries the system loader
// must find first) and in its export table, read from bytes already in memory.
// Reading is pure: no system call, nothing read outside the bytes given, and a damaged file says
// what is wrong with it instead of yielding a crash or garbage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace VELMORA::NEVRA::Platform {

class PeImage final {
public:
    // Reads `size` bytes at `data`; the image keeps no pointer into them. The bytes may be a
    // prefix of the file: what lies beyond them reads as damage.
    PeImage(const unsigned char* data, std::size_t size);

    // The DOS stub, the PE signature and a PE32 or PE32+ optional header were read.
    bool HasIdentity() const { return hasIdentity_; }

    // The library names of the import table in its order, as the file spells them. Empty when
    // the file imports nothing or its import table cannot be read; a single name that cannot be
    // read is passed over. Delay-loaded imports are not among them: the loader does not need
    // them to load the file.
    const std::vector<std::string>& ImportedNames() const { return imported_; }

    // Why the file is not a readable image, or why names were passed over; empty when nothing
    // was wrong. The first problem met is kept.
    const std::string& Damage() const { return damage_; }

private:
    class Reader;

    bool hasIdentity_ = false;
    std::vector<std::string> imported_;
    std::string damage_;

public:
    // The COFF header's machine (0x8664 for x64): only a process of the same machine loads it.
    std::uint16_t Machine() const { return machine_; }
    // The header marks the file as a DLL, which the loader maps as a library.
    bool IsLibrary() const { return library_; }
    // The names of the export table, sorted; empty when it cannot be read.
    const std::vector<std::string>& ExportedNames() const { return exported_; }

private:
    std::uint16_t machine_ = 0;
    bool library_ = false;
    std::vector<std::string> exported_;
};

} // namespace VELMORA::NEVRA::Platform
