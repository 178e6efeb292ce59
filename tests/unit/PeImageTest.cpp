// How the import names of a Windows library are read from its bytes: both optional header
// formats, and files damaged in every way that reaches the reading. Pure parsing, so it runs on
// every system; under Wine the layer's own loader test reads a real DLL with it.
#include "PeImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using VELMORA::NEVRA::Platform::PeImage;

namespace {

void Put(std::string& bytes, std::size_t offset, std::size_t size, std::uint64_t value) {
    for (std::size_t i = 0; i < size; ++i) {
        bytes[offset + i] = static_cast<char>(value >> 8 * i);
    }
}

// A minimal DLL: the headers, then one section at address 0x1000 holding the names, the import
// descriptors after them and whatever `tail` adds, up to the end of the file.
struct CraftedPe {
    static constexpr std::size_t newHeader = 0x40;
    static constexpr std::size_t optional = newHeader + 24;
    static constexpr std::size_t sectionData = 0x200;
    static constexpr std::uint32_t sectionAddress = 0x1000;

    bool plus = true;
    std::vector<std::string> names{"WinDep.dll", "KERNEL32.dll"};
    bool terminated = true;
    std::string tail;

    std::size_t OptionalSize() const { return (plus ? 112 : 96) + 16 * 8; }
    std::size_t SectionTable() const { return optional + OptionalSize(); }
    std::size_t NamesSize() const {
        std::size_t size = 0;
        for (const std::string& name : names) {
            size += name.size() + 1;
        }
        return size;
    }
    std::size_t Descriptor(std::size_t index) const {
        return sectionData + NamesSize() + 20 * index;
    }
    std::size_t TailAt() const { return Descriptor(names.size() + (terminated ? 1 : 0)); }
    std::uint32_t AddressOf(std::size_t fileOffset) const {
        return static_cast<std::uint32_t>(sectionAddress + fileOffset - sectionData);
    }

    std::string Bytes() const {
        std::string bytes(TailAt(), '\0');
        bytes += tail;
        bytes.replace(0, 2, "MZ");
        Put(bytes, 0x3c, 4, newHeader);
        bytes.replace(newHeader, 4, std::string("PE\0\0", 4));
        Put(bytes, newHeader + 4, 2, 0x8664);          // machine: x86-64
        Put(bytes, newHeader + 6, 2, 1);               // one section
        Put(bytes, newHeader + 20, 2, OptionalSize()); // optional header size
        Put(bytes, optional, 2, plus ? 0x20b : 0x10b);
        const std::size_t count = optional + (plus ? 108 : 92);
        Put(bytes, count, 4, 16);
        Put(bytes, count + 4 + 8, 4, AddressOf(Descriptor(0))); // the import directory
        const std::size_t section = SectionTable();
        bytes.replace(section, 6, ".idata");
        Put(bytes, section + 8, 4, bytes.size() - sectionData);
        Put(bytes, section + 12, 4, sectionAddress);
        Put(bytes, section + 16, 4, bytes.size() - sectionData);
        Put(bytes, section + 20, 4, sectionData);
        std::size_t name = sectionData;
        std::size_t descriptor = Descriptor(0);
        for (const std::string& text : names) {
            bytes.replace(name, text.size(), text);
            Put(bytes, descriptor + 12, 4, AddressOf(name));
            Put(bytes, descriptor + 16, 4, 0x3000); // first thunk
            name += text.size() + 1;
            descriptor += 20;
        }
        return bytes;
    }
};

CraftedPe Pe32() {
    CraftedPe pe32;
    pe32.plus = false;
    return pe32;
}

PeImage Read(const std::string& bytes) {
    return PeImage(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

struct Row {
    const char* name;
    std::function<std::string()> bytes;
    std::vector<std::string> imported;
    const char* damage;
};

std::string Patched(const CraftedPe& pe, std::size_t offset, std::size_t size,
                    std::uint64_t value) {
    std::string bytes = pe.Bytes();
    Put(bytes, offset, size, value);
    return bytes;
}

const std::vector<std::string> both{"WinDep.dll", "KERNEL32.dll"};
const std::vector<std::string> second{"KERNEL32.dll"};
const std::vector<std::string> none;
const CraftedPe pe;

// clang-format off
const Row rows[] = {
    {"PE32+", [] { return pe.Bytes(); }, both, ""},
    {"PE32", [] { return Pe32().Bytes(); }, both, ""},
    {"no import directory", [] { return Patched(pe, CraftedPe::optional + 108, 4, 1); }, none, ""},
    {"an empty import directory", [] { return Patched(pe, CraftedPe::optional + 120, 4, 0); }, none,
     ""},
    {"nothing", [] { return std::string(); }, none, "not a PE file"},
    {"an ELF file", [] { return std::string("\x7f" "ELF\2\1\1", 7); }, none, "not a PE file"},
    {"e_lfanew beyond the file", [] { return Patched(pe, 0x3c, 4, 0xfffffff0); }, none,
     "the PE header lies outside the file"},
    {"no signature", [] { return Patched(pe, CraftedPe::newHeader, 1, 'N'); }, none,
     "no PE signature"},
    {"cut after the signature", [] { return pe.Bytes().substr(0, CraftedPe::newHeader + 8); }, none,
     "the PE header is cut short"},
    {"a ROM image", [] { return Patched(pe, CraftedPe::optional, 2, 0x107); }, none,
     "unknown optional header magic 263"},
    {"an optional header too small for its directory count",
     [] { return Patched(pe, CraftedPe::newHeader + 20, 2, 100); }, none,
     "the optional header is cut short"},
    {"an optional header too small for the import directory",
     [] { return Patched(pe, CraftedPe::newHeader + 20, 2, 116); }, none,
     "the data directories are cut short"},
    {"an optional header beyond the file",
     [] { return Patched(pe, CraftedPe::newHeader + 20, 2, 0xfff0); }, none,
     "the optional header is cut short"},
    {"cut inside the section table", [] { return pe.Bytes().substr(0, pe.SectionTable() + 16); },
     none, "the section table lies outside the file"},
    {"no section", [] { return Patched(pe, CraftedPe::newHeader + 6, 2, 0); }, none,
     "the import table lies in no section"},
    {"an import table in no section", [] { return Patched(pe, CraftedPe::optional + 120, 4, 9); },
     none, "the import table lies in no section"},
    {"a section whose data lies beyond the file",
     [] { return Patched(pe, pe.SectionTable() + 20, 4, 0x7ffffff0); }, none,
     "the import table lies outside the file"},
    {"no all-zero descriptor", [] { CraftedPe open; open.terminated = false; return open.Bytes(); },
     both, "the import table has no end"},
    {"a name in no section", [] { return Patched(pe, pe.Descriptor(0) + 12, 4, 0); }, second,
     "an imported name lies in no section"},
    {"a name in a section longer than the file", [] {
     std::string bytes = Patched(pe, pe.SectionTable() + 16, 4, 0x10000);
     Put(bytes, pe.Descriptor(0) + 12, 4, CraftedPe::sectionAddress + 0x8000); return bytes; },
     second, "an imported name lies outside the file"},
    {"an empty name",
     [] { return Patched(pe, pe.Descriptor(0) + 12, 4, pe.AddressOf(pe.Descriptor(2))); }, second,
     "an imported name is empty"},
    {"a name that runs past its section", [] { CraftedPe unended; unended.tail = "Unended.dll";
     return Patched(unended, unended.Descriptor(0) + 12, 4, unended.AddressOf(unended.TailAt())); },
     second, "an imported name runs past its section"},
    {"more descriptors than any library has", [] { CraftedPe many; many.names.assign(4097, "a.dll");
     return many.Bytes(); },
     std::vector<std::string>(4096, "a.dll"), "more than 4096 imported libraries"},
};
// clang-format on

TEST(PeImage, ImportsAreReadFromSoundFilesAndDamageIsNamed) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const PeImage image = Read(row.bytes());
        EXPECT_EQ(image.ImportedNames(), row.imported);
        EXPECT_EQ(image.Damage(), row.damage);
    }
}

} // namespace
