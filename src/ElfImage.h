// The parts of an ELF file the library loader needs, read from bytes already in memory: the
// identity (class, byte order, machine) and the names of the libraries it needs. Reading is pure:
// no system call, nothing read outside the bytes given, and a damaged file says what is wrong
// with it instead of yielding a crash or garbage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace VELMORA::NEVRA::Platform {

class ElfImage final {
public:
    // Reads `size` bytes at `data`; the image keeps no pointer into them. The bytes may be a
    // prefix of the file: what lies beyond them reads as damage.
    ElfImage(const unsigned char* data, std::size_t size);

    // The header was read: class, byte order and machine below are the file's.
    bool HasIdentity() const { return hasIdentity_; }
    unsigned char FileClass() const { return fileClass_; } // ELFCLASS32 or ELFCLASS64
    unsigned char ByteOrder() const { return byteOrder_; } // ELFDATA2LSB or ELFDATA2MSB
    std::uint16_t Machine() const { return machine_; }

    // The DT_NEEDED names in the order of the dynamic section. Empty when the file has none or
    // its dynamic section cannot be read; a single name that cannot be read is passed over.
    const std::vector<std::string>& NeededNames() const { return needed_; }

    // Why the file is not a readable library, or why names were passed over; empty when
    // nothing was wrong. The first problem met is kept.
    const std::string& Damage() const { return damage_; }

private:
    class Reader;

    bool hasIdentity_ = false;
    unsigned char fileClass_ = 0;
    unsigned char byteOrder_ = 0;
    std::uint16_t machine_ = 0;
    std::vector<std::string> needed_;
    std::string damage_;
};

} // namespace VELMORA::NEVRA::Platform
