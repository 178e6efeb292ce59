#include "ElfImage.h"

#include <elf.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>

namespace VELMORA::NEVRA::Platform {

static_assert(ElfImage::identityBytes == sizeof(Elf64_Ehdr), "the larger header");

namespace {

// The structures of one ELF class, and the size of its words.
template <typename Header, typename ProgramHeader, typename SectionHeader, typename Dynamic,
          typename Symbol, std::uint64_t word>
struct ElfClass {
    using Ehdr = Header;
    using Phdr = ProgramHeader;
    using Shdr = SectionHeader;
    using Dyn = Dynamic;
    using Sym = Symbol;
    static constexpr std::uint64_t wordSize = word;
};
using Elf32 =
    ElfClass<Elf32_Ehdr, Elf32_Phdr, Elf32_Shdr, Elf32_Dyn, Elf32_Sym, sizeof(Elf32_Addr)>;
using Elf64 =
    ElfClass<Elf64_Ehdr, Elf64_Phdr, Elf64_Shdr, Elf64_Dyn, Elf64_Sym, sizeof(Elf64_Addr)>;

struct LoadSegment {
    std::uint64_t offset;
    std::uint64_t address;
    std::uint64_t fileSize;
};

// A table in the file: where it starts, and how many of its bytes the file really holds.
struct Extent {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

// What the dynamic segment says, as string offsets and addresses not yet checked.
struct DynamicTags {
    std::vector<std::uint64_t> needed;
    std::optional<std::uint64_t> runPath;
    std::optional<std::uint64_t> rPath;
    std::optional<std::uint64_t> strtab;
    std::optional<std::uint64_t> strtabSize;
    std::optional<std::uint64_t> symtab;
    std::optional<std::uint64_t> symbolEntrySize;
    std::optional<std::uint64_t> hash;
    std::optional<std::uint64_t> gnuHash;
};

// The dynamic symbol table as far as it is known: from the dynamic segment, completed from the
// section table where that has to step in.
struct SymbolTable {
    std::optional<Extent> symbols;
    std::optional<Extent> strings;
    std::optional<std::uint64_t> count;
    std::optional<std::uint64_t> entrySize;
};

// The tags that count once, and where each is kept.
const struct {
    std::int64_t tag;
    std::optional<std::uint64_t> DynamicTags::*field;
} singleTags[] = {
    {DT_RUNPATH, &DynamicTags::runPath}, {DT_RPATH, &DynamicTags::rPath},
    {DT_STRTAB, &DynamicTags::strtab},   {DT_STRSZ, &DynamicTags::strtabSize},
    {DT_SYMTAB, &DynamicTags::symtab},   {DT_SYMENT, &DynamicTags::symbolEntrySize},
    {DT_HASH, &DynamicTags::hash},       {DT_GNU_HASH, &DynamicTags::gnuHash},
};

enum class StringFault { None, Outside, Unended, Empty };

// No dynamic segment of a sane library comes near these; they only cap what garbage costs.
// The hash tables' fields: 32-bit words in both classes, except the GNU table's Bloom filter
// words, which are of the class's size. Offsets are from the table's start.
constexpr std::uint64_t hashWordSize = sizeof(Elf32_Word);
constexpr std::uint64_t hashChainCount = 4; // DT_HASH: nchain, after nbucket
constexpr std::uint64_t gnuHashBucketCount = 0;
constexpr std::uint64_t gnuHashFirstHashed = 4; // symoffset: the first symbol in a bucket
constexpr std::uint64_t gnuHashBloomWords = 8;
constexpr std::uint64_t gnuHashBloom = 16;   // after bloom_shift: the filter, then the buckets
constexpr std::uint32_t gnuHashChainEnd = 1; // the low bit of a chain's last hash

constexpr std::uint64_t maxDynamicBytes = 1u << 20;
constexpr std::uint64_t maxSymbolEntryBytes = 256;
// Needed names are file names; symbol names and run paths are bounded by their table alone.
constexpr std::uint64_t maxNameBytes = PATH_MAX;
constexpr std::uint64_t unbounded = UINT64_MAX;

unsigned char HostByteOrder() {
    const std::uint16_t probe = 1;
    unsigned char first = 0;
    std::memcpy(&first, &probe, 1);
    return first == 1 ? ELFDATA2LSB : ELFDATA2MSB;
}

} // namespace

// Every field is copied out of the bytes after a bounds check against their size and against
// the segment or section it claims to lie in; both classes and both byte orders are read.
class ElfImage::Reader final {
public:
    Reader(ElfImage& image, const unsigned char* data, std::size_t size)
        : image_(image), data_(data), size_(size) {}

    void ReadIdentity() {
        unsigned char ident[EI_NIDENT] = {};
        image_.isElf_ = Read(0, ident, SELFMAG) && std::memcmp(ident, ELFMAG, SELFMAG) == 0;
        if (!image_.isElf_) {
            Damaged("not an ELF file");
            return;
        }
        if (!Read(0, ident, sizeof ident)) {
            Damaged("the ELF header is cut short");
            return;
        }
        const unsigned char fileClass = ident[EI_CLASS];
        const unsigned char byteOrder = ident[EI_DATA];
        if (fileClass != ELFCLASS32 && fileClass != ELFCLASS64) {
            Damaged("unknown ELF class " + std::to_string(fileClass));
            return;
        }
        if (byteOrder != ELFDATA2LSB && byteOrder != ELFDATA2MSB) {
            Damaged("unknown ELF byte order " + std::to_string(byteOrder));
            return;
        }
        swap_ = byteOrder != HostByteOrder();
        if (fileClass == ELFCLASS64 ? !ReadHeader<Elf64>() : !ReadHeader<Elf32>()) {
            Damaged("the ELF header is cut short");
            return;
        }
        image_.fileClass_ = fileClass;
        image_.byteOrder_ = byteOrder;
        image_.hasIdentity_ = true;
    }

    template <typename Class> void ReadTables(Detail detail) {
        std::optional<Extent> dynamic;
        if (!ReadProgramHeaders<Class>(dynamic)) {
            return;
        }
        DynamicTags tags;
        if (dynamic && !ReadDynamicTags<Class>(*dynamic, tags)) {
            return;
        }
        std::optional<Extent> strings;
        if (tags.strtab) {
            strings = Locate(*tags.strtab);
            if (strings) {
                strings->size = std::min(strings->size, tags.strtabSize.value_or(UINT64_MAX));
            } else {
                Damaged("the string table lies in no load segment");
            }
        } else if (!tags.needed.empty() || tags.runPath || tags.rPath) {
            Damaged(tags.needed.empty() ? "a run path without a string table"
                                        : "needed libraries without a string table");
        }
        if (strings) {
            ReadNames(tags, *strings);
        }
        if (detail == Detail::Symbols) {
            ReadSymbols<Class>(tags, strings);
        }
    }

private:
    void Damaged(std::string reason) {
        if (image_.damage_.empty()) {
            image_.damage_ = std::move(reason);
        }
    }

    template <typename T> T Fix(T value) const {
        if (!swap_) {
            return value;
        }
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        std::reverse(bytes, bytes + sizeof(T));
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }

    bool Fits(std::uint64_t offset, std::uint64_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }

    bool Read(std::uint64_t offset, void* out, std::uint64_t length) const {
        if (!Fits(offset, length)) {
            return false;
        }
        if (length > 0) {
            std::memcpy(out, data_ + offset, static_cast<std::size_t>(length));
        }
        return true;
    }

    // A 32-bit word at `at` inside `table`, in the file's byte order.
    bool ReadWord(const Extent& table, std::uint64_t at, std::uint32_t& word) const {
        if (at > table.size || table.size - at < sizeof word) {
            return false;
        }
        Read(table.offset + at, &word, sizeof word);
        word = Fix(word);
        return true;
    }

    // The part of [offset, offset + length) that the file holds.
    Extent Within(std::uint64_t offset, std::uint64_t length) const {
        if (offset > size_) {
            return {offset, 0};
        }
        return {offset, std::min(length, size_ - offset)};
    }

    // A virtual address as a place in the file: the load segment holding it gives the offset,
    // and its end, or the file's, bounds what lies there. Nothing when no segment holds it.
    std::optional<Extent> Locate(std::uint64_t address) const {
        for (const LoadSegment& segment : loads_) {
            if (address >= segment.address && address - segment.address < segment.fileSize) {
                const std::uint64_t delta = address - segment.address;
                if (segment.offset > UINT64_MAX - delta) {
                    return Extent{UINT64_MAX, 0};
                }
                return Within(segment.offset + delta, segment.fileSize - delta);
            }
        }
        return std::nullopt;
    }

    // The zero-terminated string at `at` in `table`, at most `limit` bytes long without its
    // terminator. A string may end the file; it never runs past the table or the file.
    StringFault String(const Extent& table, std::uint64_t at, std::uint64_t limit,
                       std::string& out) const {
        if (at >= table.size) {
            return StringFault::Outside;
        }
        const auto* first = reinterpret_cast<const char*>(data_ + table.offset + at);
        const std::uint64_t length = std::min(table.size - at, limit);
        const auto* end = static_cast<const char*>(std::memchr(first, '\0', length));
        if (end == nullptr) {
            return StringFault::Unended;
        }
        if (end == first) {
            return StringFault::Empty;
        }
        out.assign(first, end);
        return StringFault::None;
    }

    // Records why a string could not be read; true when it was.
    bool Check(StringFault fault, const std::string& what) {
        switch (fault) {
        case StringFault::None:
            return true;
        case StringFault::Outside:
            Damaged(what + " lies outside the string table");
            break;
        case StringFault::Unended:
            Damaged(what + " runs past the string table");
            break;
        case StringFault::Empty:
            Damaged(what + " is empty");
            break;
        }
        return false;
    }

    template <typename Class> bool ReadHeader() {
        typename Class::Ehdr header{};
        if (!Read(0, &header, sizeof header)) {
            return false;
        }
        image_.machine_ = Fix(header.e_machine);
        image_.sharedObject_ = Fix(header.e_type) == ET_DYN;
        programHeaderOffset_ = Fix(header.e_phoff);
        programHeaderSize_ = Fix(header.e_phentsize);
        programHeaderCount_ = Fix(header.e_phnum);
        sectionHeaderOffset_ = Fix(header.e_shoff);
        sectionHeaderSize_ = Fix(header.e_shentsize);
        sectionHeaderCount_ = Fix(header.e_shnum);
        return true;
    }

    // The load segments, and where the first dynamic segment lies (nothing for a static file).
    template <typename Class> bool ReadProgramHeaders(std::optional<Extent>& dynamic) {
        using Phdr = typename Class::Phdr;
        // PN_XNUM moves the count into the section headers; no shared library needs that.
        if (programHeaderSize_ < sizeof(Phdr) || programHeaderCount_ == PN_XNUM) {
            Damaged("unusable program header table");
            return false;
        }
        for (std::uint64_t index = 0; index < programHeaderCount_; ++index) {
            Phdr header{};
            if (!Read(programHeaderOffset_ + index * programHeaderSize_, &header, sizeof header)) {
                Damaged("program header " + std::to_string(index) + " lies outside the file");
                return false;
            }
            const auto type = Fix(header.p_type);
            if (type == PT_LOAD) {
                const LoadSegment load{Fix(header.p_offset), Fix(header.p_vaddr),
                                       Fix(header.p_filesz)};
                loads_.push_back(load);
                const std::uint64_t end = load.offset + load.fileSize;
                image_.mappedEnd_ = std::max(image_.mappedEnd_,
                                             end < load.offset ? UINT64_MAX : end); // wrapped
            } else if (type == PT_DYNAMIC && !dynamic) {
                dynamic = Extent{Fix(header.p_offset), Fix(header.p_filesz)};
            }
        }
        return true;
    }

    template <typename Class> bool ReadDynamicTags(const Extent& dynamic, DynamicTags& tags) {
        using Dyn = typename Class::Dyn;
        if (dynamic.size > maxDynamicBytes || !Fits(dynamic.offset, dynamic.size)) {
            Damaged("the dynamic segment lies outside the file");
            return false;
        }
        for (std::uint64_t at = 0; dynamic.size - at >= sizeof(Dyn); at += sizeof(Dyn)) {
            Dyn entry{};
            Read(dynamic.offset + at, &entry, sizeof entry);
            const auto tag = static_cast<std::int64_t>(Fix(entry.d_tag));
            const auto value = static_cast<std::uint64_t>(Fix(entry.d_un.d_val));
            if (tag == DT_NULL) {
                break;
            }
            if (tag == DT_NEEDED) {
                tags.needed.push_back(value);
            }
            for (const auto& [known, field] : singleTags) {
                if (tag == known) {
                    tags.*field = value; // as in the loader, a later entry replaces an earlier
                }
            }
        }
        return true;
    }

    void ReadNames(const DynamicTags& tags, const Extent& strings) {
        for (const std::uint64_t offset : tags.needed) {
            std::string name;
            if (Check(String(strings, offset, maxNameBytes, name), "a needed name")) {
                image_.needed_.push_back(std::move(name));
            }
        }
        // The loader ignores DT_RPATH when DT_RUNPATH is present.
        const std::optional<std::uint64_t> runPath = tags.runPath ? tags.runPath : tags.rPath;
        std::string list;
        const StringFault fault =
            runPath ? String(strings, *runPath, unbounded, list) : StringFault::Empty;
        if (fault != StringFault::Empty && Check(fault, "the run path")) {
            for (std::size_t start = 0; start <= list.size();) {
                const std::size_t end = std::min(list.find(':', start), list.size());
                if (end > start) {
                    image_.runPath_.push_back(list.substr(start, end - start));
                }
                start = end + 1;
            }
        }
    }

    // The number of symbols by DT_HASH: its chain has one entry per symbol.
    std::optional<std::uint64_t> CountByHash(std::uint64_t address) {
        const std::optional<Extent> table = Locate(address);
        std::uint32_t chainCount = 0;
        if (!table || !ReadWord(*table, hashChainCount, chainCount)) {
            Damaged("the hash table lies outside the file");
            return std::nullopt;
        }
        return chainCount;
    }

    // The number of symbols by DT_GNU_HASH, which does not say it: the symbols it hashes follow
    // the unhashed ones, in buckets; the last bucket's chain ends at the last symbol, with the
    // low bit of its hash set.
    template <typename Class> std::optional<std::uint64_t> CountByGnuHash(std::uint64_t address) {
        const std::optional<Extent> table = Locate(address);
        std::uint32_t bucketCount = 0;
        std::uint32_t firstHashed = 0;
        std::uint32_t bloomWords = 0;
        if (!table || !ReadWord(*table, gnuHashBucketCount, bucketCount) ||
            !ReadWord(*table, gnuHashFirstHashed, firstHashed) ||
            !ReadWord(*table, gnuHashBloomWords, bloomWords)) {
            Damaged("the GNU hash table lies outside the file");
            return std::nullopt;
        }
        const std::uint64_t buckets = gnuHashBloom + std::uint64_t{bloomWords} * Class::wordSize;
        const std::uint64_t chains = buckets + std::uint64_t{bucketCount} * hashWordSize;
        if (chains > table->size) {
            Damaged("the GNU hash table's buckets lie outside the file");
            return std::nullopt;
        }
        std::uint32_t last = 0;
        for (std::uint64_t bucket = 0; bucket < bucketCount; ++bucket) {
            std::uint32_t start = 0;
            ReadWord(*table, buckets + bucket * hashWordSize, start);
            last = std::max(last, start);
        }
        if (last < firstHashed) {
            return firstHashed; // nothing is hashed: only the unhashed symbols are there
        }
        for (std::uint64_t symbol = last;; ++symbol) {
            std::uint32_t hash = 0;
            if (!ReadWord(*table, chains + (symbol - firstHashed) * hashWordSize, hash)) {
                Damaged("the GNU hash table's last chain runs past the file");
                return std::nullopt;
            }
            if ((hash & gnuHashChainEnd) != 0) {
                return symbol + 1;
            }
        }
    }

    // The section of type SHT_DYNSYM and the string section it links to: the linker's own
    // description of the dynamic symbol table, absent from a file stripped of its sections.
    template <typename Class> void CompleteFromSections(SymbolTable& table) {
        using Shdr = typename Class::Shdr;
        if (sectionHeaderOffset_ == 0 || sectionHeaderCount_ == 0) {
            return;
        }
        if (sectionHeaderSize_ < sizeof(Shdr)) {
            Damaged("unusable section header table");
            return;
        }
        const auto section = [this](std::uint64_t index, Shdr& out) {
            if (!Read(sectionHeaderOffset_ + index * sectionHeaderSize_, &out, sizeof out)) {
                Damaged("section header " + std::to_string(index) + " lies outside the file");
                return false;
            }
            return true;
        };
        for (std::uint64_t index = 0; index < sectionHeaderCount_; ++index) {
            Shdr symbols{};
            if (!section(index, symbols)) {
                return;
            }
            if (Fix(symbols.sh_type) != SHT_DYNSYM) {
                continue;
            }
            Shdr strings{};
            const std::uint64_t link = Fix(symbols.sh_link);
            if (link >= sectionHeaderCount_) {
                Damaged("the dynamic symbol section is linked to no section");
                return;
            }
            if (!section(link, strings)) {
                return;
            }
            const std::uint64_t entrySize =
                std::max<std::uint64_t>(Fix(symbols.sh_entsize), sizeof(typename Class::Sym));
            if (!table.symbols) {
                table.symbols = Within(Fix(symbols.sh_offset), Fix(symbols.sh_size));
                table.strings = Within(Fix(strings.sh_offset), Fix(strings.sh_size));
                table.entrySize = entrySize;
            }
            if (!table.strings) {
                table.strings = Within(Fix(strings.sh_offset), Fix(strings.sh_size));
            }
            if (!table.count) {
                table.count = Fix(symbols.sh_size) / entrySize; // by the section's own measure
            }
            return;
        }
    }

    template <typename Class>
    void ReadSymbols(const DynamicTags& tags, const std::optional<Extent>& strings) {
        using Sym = typename Class::Sym;
        SymbolTable table;
        table.entrySize = tags.symbolEntrySize;
        if (tags.symtab) {
            table.symbols = Locate(*tags.symtab);
            if (!table.symbols) {
                Damaged("the symbol table lies in no load segment");
                return;
            }
            table.strings = strings;
            table.count = tags.hash      ? CountByHash(*tags.hash)
                          : tags.gnuHash ? CountByGnuHash<Class>(*tags.gnuHash)
                                         : std::nullopt;
            // What the dynamic segment names but cannot be read is damage, which the sections
            // do not mend: the loader reads no sections.
            if ((tags.strtab && !strings) || ((tags.hash || tags.gnuHash) && !table.count)) {
                return;
            }
        }
        if (!table.symbols || !table.strings || !table.count) {
            CompleteFromSections<Class>(table);
        }
        if (!table.symbols) {
            return; // no dynamic symbols: nothing is exported, which is for the caller to judge
        }
        if (!table.strings || !table.count) {
            Damaged(table.strings ? "the symbol table's length is known neither from a hash "
                                    "table nor from the sections"
                                  : "symbols without a string table");
            return;
        }
        const std::uint64_t entrySize = table.entrySize.value_or(sizeof(Sym));
        if (entrySize < sizeof(Sym) || entrySize > maxSymbolEntryBytes) {
            Damaged("unusable symbol entry size " + std::to_string(entrySize));
            return;
        }
        if (*table.count > table.symbols->size / entrySize) {
            Damaged("the symbol table runs past the file");
            return;
        }
        // Entry 0 is the undefined symbol that every table begins with.
        for (std::uint64_t index = 1; index < *table.count; ++index) {
            Sym symbol{};
            Read(table.symbols->offset + index * entrySize, &symbol, sizeof symbol);
            // The bind, type and visibility fields are alike in both classes.
            const unsigned char bind = ELF32_ST_BIND(symbol.st_info);
            const unsigned char type = ELF32_ST_TYPE(symbol.st_info);
            const unsigned char visibility = ELF32_ST_VISIBILITY(symbol.st_other);
            const bool defined = Fix(symbol.st_shndx) != SHN_UNDEF;
            const bool global = bind == STB_GLOBAL || bind == STB_WEAK || bind == STB_GNU_UNIQUE;
            const bool function = type == STT_FUNC || type == STT_GNU_IFUNC;
            const bool visible = visibility == STV_DEFAULT || visibility == STV_PROTECTED;
            const bool exported = defined && global && function && visible;
            const bool unique = defined && bind == STB_GNU_UNIQUE;
            if (!exported && !unique) {
                continue;
            }
            std::string name;
            const StringFault fault = String(*table.strings, Fix(symbol.st_name), unbounded, name);
            if (fault == StringFault::Empty || !Check(fault, "a symbol name")) {
                continue; // a nameless symbol cannot be looked up: nothing is lost
            }
            if (exported) {
                image_.exported_.push_back(name);
            }
            if (unique) {
                image_.unique_.push_back(std::move(name));
            }
        }
    }

    ElfImage& image_;
    const unsigned char* data_;
    std::uint64_t size_;
    bool swap_ = false;
    std::uint64_t programHeaderOffset_ = 0;
    std::uint64_t programHeaderSize_ = 0;
    std::uint64_t programHeaderCount_ = 0;
    std::uint64_t sectionHeaderOffset_ = 0;
    std::uint64_t sectionHeaderSize_ = 0;
    std::uint64_t sectionHeaderCount_ = 0;
    std::vector<LoadSegment> loads_;
};

ElfImage::ElfImage(const unsigned char* data, std::size_t size, Detail detail) {
    Reader reader(*this, data, size);
    reader.ReadIdentity();
    if (!hasIdentity_) {
        return;
    }
    if (fileClass_ == ELFCLASS64) {
        reader.ReadTables<Elf64>(detail);
    } else {
        reader.ReadTables<Elf32>(detail);
    }
    std::sort(exported_.begin(), exported_.end());
}

ElfImage::Fit ElfImage::FitFor(const ElfImage& process) const {
    if (!hasIdentity_ || !process.hasIdentity_) {
        return Fit::Unknown;
    }
    if (byteOrder_ != process.byteOrder_) {
        return Fit::OtherByteOrder;
    }
    if (fileClass_ != process.fileClass_ || machine_ != process.machine_) {
        return Fit::OtherMachine;
    }
    return Fit::Loadable;
}

bool ElfImage::ExportsFunction(const std::string& name) const {
    return std::binary_search(exported_.begin(), exported_.end(), name);
}

} // namespace VELMORA::NEVRA::Platform
