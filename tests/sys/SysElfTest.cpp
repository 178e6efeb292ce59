// How the one ELF reader reads a library, and how the layer loads by what it reads: every ELF
// class and byte order, both hash tables, the section table as a fallback, and files that are
// damaged in every way that reaches the reading. A needed name read from the file shows as a
// load of the real DepB.so beside it, which counts its loads.
#include "ElfImage.h"
#include "Sys.h"
#include "SysTestSupport.h"

#include <elf.h>

#include <cstddef>
#include <cstdint>
#include <iterator>

using VELMORA::NEVRA::Platform::ElfImage;
namespace Sys = VELMORA::NEVRA::Platform::Sys;
namespace fs = std::filesystem;

namespace {

// What a crafted file gets wrong, named after the field it spoils. Spoiling its names: e_phoff
// beyond the file, e_phentsize too small, e_phnum beyond the file, PT_DYNAMIC beyond the file,
// DT_STRTAB outside every segment, a name beyond DT_STRSZ, a name without its terminating zero.
// Spoiling its symbols: DT_SYMTAB outside every segment, DT_SYMENT too small, the hash table
// outside every segment, a hash chain longer than the file, a symbol name beyond DT_STRSZ,
// no hash table and no section table, the dynamic symbol section linked to no section.
// Harmless: no PT_DYNAMIC (nothing needed, symbols from the sections), no section table, no
// hash table (the sections count the symbols), no DT_SYMTAB (the sections hold the table).
enum class Damage {
    None,
    PhOff,
    PhEntSize,
    PhNum,
    DynamicOff,
    StrTab,
    StrSz,
    Unended,
    SymTab,
    SymEnt,
    HashOff,
    Chain,
    SymName,
    NoHashNoSections,
    SectionLink,
    NoDynamic,
    NoSections,
    NoHash,
    NoSymTab
};

// The machine of this process, so that a crafted file differs from a loadable library only
// where a test wants it to. e_machine lies at the same place in both classes.
std::uint16_t OwnMachine() {
    Elf64_Ehdr header{};
    std::ifstream("/proc/self/exe", std::ios::binary).read(reinterpret_cast<char*>(&header), 20);
    return header.e_machine;
}

// A minimal library file, laid out as the linker does: one load segment over the whole file,
// a dynamic segment that needs "DepB.so" with a run path and a symbol table (three symbols: the
// null one, the function "CraftedInit" and the GNU-unique object "craftedUnique"), counted by
// DT_HASH in the 32-bit class and by DT_GNU_HASH in the 64-bit one, a section table that
// describes the same symbols, and the string table last, so that a name can run into the end of
// the file.
std::string CraftElf(bool is64, bool bigEndian, Damage damage) {
    const std::uint64_t word = is64 ? 8 : 4, base = 0x10000;
    const std::uint64_t headerSize = is64 ? sizeof(Elf64_Ehdr) : sizeof(Elf32_Ehdr);
    const std::uint64_t entrySize = is64 ? sizeof(Elf64_Phdr) : sizeof(Elf32_Phdr);
    const std::uint64_t symbolSize = is64 ? sizeof(Elf64_Sym) : sizeof(Elf32_Sym);
    const std::uint64_t sectionSize = is64 ? sizeof(Elf64_Shdr) : sizeof(Elf32_Shdr);
    const std::uint64_t dynamicOffset = headerSize + 2 * entrySize;
    const std::uint64_t symtabOffset = dynamicOffset + 16 * word;
    const std::uint64_t hashOffset = symtabOffset + 3 * symbolSize;
    const std::uint64_t sectionsOffset = hashOffset + 48;
    const std::uint64_t strtabOffset = sectionsOffset + 3 * sectionSize;
    const std::string strings("\0CraftedInit\0craftedUnique\0$ORIGIN/lib::/opt\0DepB.so", 52);
    const std::uint64_t initName = 1, uniqueName = 13, runPathName = 27, neededName = 45;
    std::string bytes(strtabOffset + strings.size() + (damage == Damage::Unended ? 0 : 1), '\0');
    bytes.replace(strtabOffset, strings.size(), strings);
    const std::uint64_t fileSize = bytes.size();
    const auto put = [&](std::uint64_t offset, std::uint64_t size, std::uint64_t value) {
        for (std::uint64_t i = 0; i < size; ++i) {
            bytes[offset + i] = static_cast<char>(value >> 8 * (bigEndian ? size - 1 - i : i));
        }
    };
// A field of an ELF structure of the file's class, at the structure starting at `at`.
#define PUT(at, type, field, value)                                                                \
    put((at) + (is64 ? offsetof(Elf64_##type, field) : offsetof(Elf32_##type, field)),             \
        is64 ? sizeof(Elf64_##type::field) : sizeof(Elf32_##type::field), value)

    bytes.replace(0, 7, ELFMAG + std::string{char(is64 ? 2 : 1), char(bigEndian ? 2 : 1), 1});
    PUT(0, Ehdr, e_type, ET_REL); // the dynamic loader refuses it before mapping anything
    PUT(0, Ehdr, e_machine, OwnMachine());
    PUT(0, Ehdr, e_version, EV_CURRENT);
    PUT(0, Ehdr, e_phoff, damage == Damage::PhOff ? 1ull << 31 : headerSize);
    PUT(0, Ehdr, e_ehsize, headerSize);
    PUT(0, Ehdr, e_phentsize, damage == Damage::PhEntSize ? 8 : entrySize);
    PUT(0, Ehdr, e_phnum, damage == Damage::PhNum ? 0xfff0 : 2);
    const bool sections = damage != Damage::NoSections && damage != Damage::NoHashNoSections;
    PUT(0, Ehdr, e_shoff, sections ? sectionsOffset : 0);
    PUT(0, Ehdr, e_shentsize, sectionSize);
    PUT(0, Ehdr, e_shnum, sections ? 3 : 0);

    // PT_LOAD over the whole file, then PT_DYNAMIC.
    const auto segment = [&](std::uint64_t at, std::uint32_t type, std::uint64_t offset,
                             std::uint64_t size) {
        PUT(at, Phdr, p_type, type);
        PUT(at, Phdr, p_offset, offset);
        PUT(at, Phdr, p_vaddr, base + offset);
        PUT(at, Phdr, p_filesz, size);
        PUT(at, Phdr, p_memsz, size);
    };
    segment(headerSize, PT_LOAD, 0, fileSize);
    segment(headerSize + entrySize, damage == Damage::NoDynamic ? PT_NOTE : PT_DYNAMIC,
            damage == Damage::DynamicOff ? fileSize - 8 : dynamicOffset, 16 * word);

    const bool noHash = damage == Damage::NoHash || damage == Damage::NoHashNoSections;
    const std::uint64_t hashTag = noHash ? DT_DEBUG : is64 ? DT_GNU_HASH : DT_HASH;
    const std::uint64_t symtabTag = damage == Damage::NoSymTab ? DT_DEBUG : DT_SYMTAB;
    const std::uint64_t dynamic[][2] = {
        {DT_NEEDED, neededName},
        {DT_RUNPATH, runPathName},
        {DT_STRTAB, damage == Damage::StrTab ? 0x900000 : base + strtabOffset},
        {DT_STRSZ, damage == Damage::StrSz     ? 1
                   : damage == Damage::Unended ? 1000
                                               : strings.size() + 1},
        {symtabTag, damage == Damage::SymTab ? 0x900000 : base + symtabOffset},
        {DT_SYMENT, damage == Damage::SymEnt ? 4 : symbolSize},
        {hashTag, damage == Damage::HashOff ? 0x900000 : base + hashOffset},
        {DT_NULL, 0}};
    for (std::uint64_t i = 0; i < std::size(dynamic); ++i) {
        put(dynamicOffset + 2 * i * word, word, dynamic[i][0]);
        put(dynamicOffset + (2 * i + 1) * word, word, dynamic[i][1]);
    }

    const auto symbol = [&](std::uint64_t index, std::uint64_t name, unsigned char info) {
        const std::uint64_t at = symtabOffset + index * symbolSize;
        PUT(at, Sym, st_name, name);
        PUT(at, Sym, st_info, info);
        PUT(at, Sym, st_shndx, 1);
    };
    symbol(1, damage == Damage::SymName ? 1000 : initName, ELF32_ST_INFO(STB_GLOBAL, STT_FUNC));
    symbol(2, uniqueName, ELF32_ST_INFO(STB_GNU_UNIQUE, STT_OBJECT));

    // DT_GNU_HASH: one bucket, the null symbol unhashed, a bloom filter of one word, the bucket
    // starting at symbol 1, whose chain ends at symbol 2. DT_HASH: one bucket, three chains.
    const bool chain = damage == Damage::Chain;
    const std::uint32_t hash[] = {1, 1, 1, 0};
    const std::uint32_t gnuChains[] = {chain ? 0x4000u : 1u, 0x10, 0x21};
    const std::uint32_t chains[] = {1, chain ? 0x4000u : 3u, 1, 0, 2, 0};
    for (std::uint64_t i = 0; i < 4 && is64; ++i) {
        put(hashOffset + i * 4, 4, hash[i]);
    }
    for (std::uint64_t i = 0; i < 3 && is64; ++i) {
        put(hashOffset + 16 + word + i * 4, 4, gnuChains[i]);
    }
    for (std::uint64_t i = 0; i < 6 && !is64; ++i) {
        put(hashOffset + i * 4, 4, chains[i]);
    }

    // The null section, .dynsym, .dynstr.
    const std::uint64_t dynsym = sectionsOffset + sectionSize, dynstr = dynsym + sectionSize;
    PUT(dynsym, Shdr, sh_type, SHT_DYNSYM);
    PUT(dynsym, Shdr, sh_offset, symtabOffset);
    PUT(dynsym, Shdr, sh_size, 3 * symbolSize);
    PUT(dynsym, Shdr, sh_link, damage == Damage::SectionLink ? 7 : 2);
    PUT(dynsym, Shdr, sh_entsize, symbolSize);
    PUT(dynstr, Shdr, sh_type, SHT_STRTAB);
    PUT(dynstr, Shdr, sh_offset, strtabOffset);
    PUT(dynstr, Shdr, sh_size, strings.size() + 1);
#undef PUT
    if (damage == Damage::SectionLink) {
        put(dynamicOffset + 8 * word, word, DT_DEBUG); // the sections have to name the table
    }
    return bytes;
}

class SysElf : public SysTest::WithTempDir {
protected:
    void SetUp() override { CopyLibraries(dir, {"DepB.so", "DepC.so"}); }

    // Loads `content` as a library beside DepB.so; returns how often DepB.so was loaded.
    int LoadsOfDepB(const std::string& content) {
        const fs::path path = dir / "Crafted.so";
        WriteFile(path, content);
        ::setenv("SYS_TEST_DEPB_LOADS", "0", 1);
        Sys::SetLastError(0);
        EXPECT_EQ(Sys::LoadLibrary(path), nullptr);
        EXPECT_NE(Sys::LastError(), 0u);
        return std::atoi(std::getenv("SYS_TEST_DEPB_LOADS"));
    }
};

ElfImage Image(const std::string& bytes, ElfImage::Detail detail = ElfImage::Detail::Symbols) {
    return ElfImage(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), detail);
}

// The damage, and whether the needed name and the exported function are still read. The file
// is damaged where the name is not read from a dynamic segment or the function is not read.
const struct {
    Damage damage;
    bool namesRead;
    bool symbolsRead;
} damages[] = {
    {Damage::None, true, true},         {Damage::PhOff, false, false},
    {Damage::PhEntSize, false, false},  {Damage::PhNum, false, false},
    {Damage::DynamicOff, false, false}, {Damage::StrTab, false, false},
    {Damage::StrSz, false, false},      {Damage::Unended, false, true},
    {Damage::SymTab, true, false},      {Damage::SymEnt, true, false},
    {Damage::HashOff, true, false},     {Damage::Chain, true, false},
    {Damage::SymName, true, false},     {Damage::NoHashNoSections, true, false},
    {Damage::SectionLink, true, false}, {Damage::NoDynamic, false, true},
    {Damage::NoSections, true, true},   {Damage::NoHash, true, true},
    {Damage::NoSymTab, true, true},
};

TEST_F(SysElf, EveryClassAndByteOrderReadsAsTheLoaderReadsItButNeverFromADamagedFile) {
    for (const bool is64 : {false, true}) {
        for (const bool bigEndian : {false, true}) {
            for (const auto& row : damages) {
                SCOPED_TRACE(std::string(is64 ? "64" : "32") + (bigEndian ? " big " : " little ") +
                             std::to_string(static_cast<int>(row.damage)));
                const std::string bytes = CraftElf(is64, bigEndian, row.damage);
                const ElfImage names = Image(bytes, ElfImage::Detail::Dependencies);
                const ElfImage symbols = Image(bytes);
                const bool damaged = !row.namesRead && row.damage != Damage::NoDynamic;
                EXPECT_EQ(names.Damage().empty(), !damaged) << names.Damage();
                EXPECT_EQ(symbols.Damage().empty(), !damaged && row.symbolsRead)
                    << symbols.Damage();
                EXPECT_EQ(names.NeededNames(), symbols.NeededNames());
                EXPECT_EQ(names.NeededNames().size(), row.namesRead ? 1u : 0u);
                EXPECT_EQ(LoadsOfDepB(bytes), row.namesRead ? 1 : 0);
                EXPECT_EQ(symbols.ExportsFunction("CraftedInit"), row.symbolsRead);
                EXPECT_TRUE(names.ExportedFunctions().empty());
                if (row.damage == Damage::None) {
                    EXPECT_EQ(Sys::LastError(), static_cast<Sys::ErrorCode>(ENOEXEC));
                    EXPECT_EQ(symbols.RunPath(), (std::vector<std::string>{"$ORIGIN/lib", "/opt"}));
                    EXPECT_EQ(symbols.UniqueSymbols(), std::vector<std::string>{"craftedUnique"});
                    EXPECT_EQ(symbols.ExportedFunctions(), std::vector<std::string>{"CraftedInit"});
                    EXPECT_FALSE(symbols.IsSharedObject());
                }
            }
        }
        const std::string whole = CraftElf(is64, false, Damage::None);
        for (std::size_t length = 0; length < whole.size(); ++length) {
            const ElfImage cut = Image(whole.substr(0, length));
            EXPECT_NE(cut.Damage(), "") << length;
            EXPECT_EQ(cut.IsElf(), length >= SELFMAG) << length;
            EXPECT_EQ(LoadsOfDepB(whole.substr(0, length)), 0) << length;
        }
    }
    EXPECT_FALSE(Image("#!/bin/sh\n").IsElf());
}

} // namespace
