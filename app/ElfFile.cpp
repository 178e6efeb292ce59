#include "ElfFile.h"

#include <elf.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace kaldor {

struct Elf32Traits {
    using Header = Elf32_Ehdr;
    using Section = Elf32_Shdr;
    using Symbol = Elf32_Sym;
    using Dynamic = Elf32_Dyn;
    static unsigned char Bind(unsigned char info) { return ELF32_ST_BIND(info); }
    static unsigned char Type(unsigned char info) { return ELF32_ST_TYPE(info); }
    static unsigned char Visibility(unsigned char other) { return ELF32_ST_VISIBILITY(other); }
};

struct Elf64Traits {
    using Header = Elf64_Ehdr;
    using Section = Elf64_Shdr;
    using Symbol = Elf64_Sym;
    using Dynamic = Elf64_Dyn;
    static unsigned char Bind(unsigned char info) { return ELF64_ST_BIND(info); }
    static unsigned char Type(unsigned char info) { return ELF64_ST_TYPE(info); }
    static unsigned char Visibility(unsigned char other) { return ELF64_ST_VISIBILITY(other); }
};

template <typename Traits> struct ElfParser {
    using Header = typename Traits::Header;
    using Section = typename Traits::Section;

    const std::string& bytes;
    const std::string& path;

    // A copy of the structure at `offset`, or an error when the file is too short for it.
    template <typename T> T At(std::uint64_t offset) const {
        if (offset > bytes.size() || bytes.size() - offset < sizeof(T)) {
            throw ElfError(path + " is cut short or damaged");
        }
        T value;
        std::memcpy(&value, bytes.data() + offset, sizeof(T));
        return value;
    }

    std::string String(const Section& table, std::uint64_t offset) const {
        if (offset >= table.sh_size || table.sh_offset + offset >= bytes.size()) {
            throw ElfError(path + " has a damaged string table");
        }
        const char* start = bytes.data() + table.sh_offset + offset;
        const std::size_t limit =
            std::min<std::size_t>(table.sh_size - offset, bytes.size() - table.sh_offset - offset);
        return std::string(start, strnlen(start, limit));
    }

    void Parse(ElfFile& file) const {
        const Header header = At<Header>(0);
        file.machine_ = header.e_machine;
        file.shared_ = header.e_type == ET_DYN;
        if (header.e_shoff == 0 || header.e_shnum == 0) {
            throw ElfError(path + " has no section table; its symbols cannot be read");
        }
        if (header.e_shentsize != sizeof(Section)) {
            throw ElfError(path + " has sections of an unexpected size");
        }
        std::vector<Section> sections;
        for (unsigned i = 0; i < header.e_shnum; ++i) {
            sections.push_back(At<Section>(header.e_shoff + std::uint64_t(i) * sizeof(Section)));
        }
        const auto linked = [&](const Section& section) -> const Section& {
            if (section.sh_link >= sections.size()) {
                throw ElfError(path + " has a section linked to nothing");
            }
            return sections[section.sh_link];
        };
        for (const Section& section : sections) {
            if (section.sh_type == SHT_DYNAMIC) {
                ReadDynamic(section, linked(section), file);
            } else if (section.sh_type == SHT_DYNSYM) {
                ReadSymbols(section, linked(section), file);
            }
        }
    }

    void ReadDynamic(const Section& section, const Section& strings, ElfFile& file) const {
        using Dynamic = typename Traits::Dynamic;
        std::vector<std::string> runPath;
        std::vector<std::string> rPath;
        for (std::uint64_t offset = 0; offset + sizeof(Dynamic) <= section.sh_size;
             offset += sizeof(Dynamic)) {
            const Dynamic entry = At<Dynamic>(section.sh_offset + offset);
            if (entry.d_tag == DT_NULL) {
                break;
            }
            if (entry.d_tag == DT_NEEDED) {
                file.needed_.push_back(String(strings, entry.d_un.d_val));
            } else if (entry.d_tag == DT_RUNPATH || entry.d_tag == DT_RPATH) {
                std::istringstream list(String(strings, entry.d_un.d_val));
                auto& target = entry.d_tag == DT_RUNPATH ? runPath : rPath;
                for (std::string dir; std::getline(list, dir, ':');) {
                    if (!dir.empty()) {
                        target.push_back(dir);
                    }
                }
            }
        }
        // The loader ignores DT_RPATH when DT_RUNPATH is present.
        file.searchPaths_ = runPath.empty() ? rPath : runPath;
    }

    void ReadSymbols(const Section& section, const Section& strings, ElfFile& file) const {
        using Symbol = typename Traits::Symbol;
        for (std::uint64_t offset = sizeof(Symbol); offset + sizeof(Symbol) <= section.sh_size;
             offset += sizeof(Symbol)) {
            const Symbol symbol = At<Symbol>(section.sh_offset + offset);
            const unsigned char bind = Traits::Bind(symbol.st_info);
            const unsigned char type = Traits::Type(symbol.st_info);
            const unsigned char visibility = Traits::Visibility(symbol.st_other);
            const bool defined = symbol.st_shndx != SHN_UNDEF;
            const bool global = bind == STB_GLOBAL || bind == STB_WEAK || bind == STB_GNU_UNIQUE;
            const bool function = type == STT_FUNC || type == STT_GNU_IFUNC;
            const bool visible = visibility == STV_DEFAULT || visibility == STV_PROTECTED;
            if (defined && global && function && visible) {
                file.exported_.push_back(String(strings, symbol.st_name));
            }
            if (defined && bind == STB_GNU_UNIQUE) {
                file.unique_.push_back(String(strings, symbol.st_name));
            }
        }
    }
};

ElfFile ElfFile::Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw ElfError(path + " cannot be opened");
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < EI_NIDENT || std::memcmp(bytes.data(), ELFMAG, SELFMAG) != 0) {
        throw ElfError(path + " is not a shared library (no ELF header)");
    }
    const unsigned char byteOrder = static_cast<unsigned char>(bytes[EI_DATA]);
    const std::uint16_t probe = 1;
    const bool littleEndian = *reinterpret_cast<const unsigned char*>(&probe) == 1;
    if (byteOrder != (littleEndian ? ELFDATA2LSB : ELFDATA2MSB)) {
        throw ElfError(path + " was built for a machine of the other byte order");
    }
    ElfFile file;
    switch (static_cast<unsigned char>(bytes[EI_CLASS])) {
    case ELFCLASS32:
        file.is64_ = false;
        ElfParser<Elf32Traits>{bytes, path}.Parse(file);
        break;
    case ELFCLASS64:
        file.is64_ = true;
        ElfParser<Elf64Traits>{bytes, path}.Parse(file);
        break;
    default:
        throw ElfError(path + " has an unknown ELF class");
    }
    std::sort(file.exported_.begin(), file.exported_.end());
    return file;
}

bool ElfFile::Exports(const std::string& name) const {
    return std::binary_search(exported_.begin(), exported_.end(), name);
}

std::vector<std::string> ElfFile::EntryPointLikeExports() const {
    std::vector<std::string> names;
    for (const auto& name : exported_) {
        const std::string suffix = name.size() >= 4 ? name.substr(name.size() - 4) : "";
        if (suffix == "Init" || suffix == "Exit") {
            names.push_back(name);
        }
    }
    return names;
}

} // namespace kaldor
