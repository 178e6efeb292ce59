#include "ElfImage.h"

#include <elf.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace VELMORA::NEVRA::Platform {

namespace {

struct LoadSegment {
    std::uint64_t offset;
    std::uint64_t address;
    std::uint64_t fileSize;
};

// No dynamic section of a sane library comes near these; they only cap what garbage costs.
constexpr std::uint64_t maxDynamicBytes = 1u << 20;
constexpr std::uint64_t maxNameBytes = PATH_MAX;

unsigned char HostByteOrder() {
    const std::uint16_t probe = 1;
    unsigned char first = 0;
    std::memcpy(&first, &probe, 1);
    return first == 1 ? ELFDATA2LSB : ELFDATA2MSB;
}

} // namespace

// Every field is copied out of the bytes after a bounds check against their size and against
// the segment it claims to lie in; both classes and both byte orders are read.
class ElfImage::Reader final {
public:
    Reader(ElfImage& image, const unsigned char* data, std::size_t size)
        : image_(image), data_(data), size_(size) {}

    void ReadIdentity() {
        unsigned char ident[EI_NIDENT] = {};
        if (!Read(0, ident, sizeof ident) || std::memcmp(ident, ELFMAG, SELFMAG) != 0) {
            Damaged("not an ELF file");
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
        if (fileClass == ELFCLASS64 ? !ReadHeader<Elf64_Ehdr>() : !ReadHeader<Elf32_Ehdr>()) {
            Damaged("the ELF header is cut short");
            return;
        }
        image_.fileClass_ = fileClass;
        image_.byteOrder_ = byteOrder;
        image_.hasIdentity_ = true;
    }

    void ReadNeededNames() {
        image_.needed_ = image_.fileClass_ == ELFCLASS64 ? ReadNeeded<Elf64_Phdr, Elf64_Dyn>()
                                                         : ReadNeeded<Elf32_Phdr, Elf32_Dyn>();
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

    template <typename Ehdr> bool ReadHeader() {
        Ehdr header{};
        if (!Read(0, &header, sizeof header)) {
            return false;
        }
        image_.machine_ = Fix(header.e_machine);
        programHeaderOffset_ = Fix(header.e_phoff);
        programHeaderSize_ = Fix(header.e_phentsize);
        programHeaderCount_ = Fix(header.e_phnum);
        return true;
    }

    template <typename Phdr, typename Dyn> std::vector<std::string> ReadNeeded() {
        // PN_XNUM moves the count into the section headers; no shared library needs that.
        if (programHeaderSize_ < sizeof(Phdr) || programHeaderCount_ == PN_XNUM) {
            Damaged("unusable program header table");
            return {};
        }
        std::vector<LoadSegment> loads;
        bool haveDynamic = false;
        std::uint64_t dynamicOffset = 0;
        std::uint64_t dynamicSize = 0;
        for (std::uint64_t index = 0; index < programHeaderCount_; ++index) {
            Phdr header{};
            if (!Read(programHeaderOffset_ + index * programHeaderSize_, &header, sizeof header)) {
                Damaged("program header " + std::to_string(index) + " lies outside the file");
                return {};
            }
            const auto type = Fix(header.p_type);
            if (type == PT_LOAD) {
                loads.push_back({Fix(header.p_offset), Fix(header.p_vaddr), Fix(header.p_filesz)});
            } else if (type == PT_DYNAMIC && !haveDynamic) {
                haveDynamic = true;
                dynamicOffset = Fix(header.p_offset);
                dynamicSize = Fix(header.p_filesz);
            }
        }
        if (!haveDynamic) {
            return {}; // a static program needs nothing: not damage
        }
        if (dynamicSize > maxDynamicBytes || !Fits(dynamicOffset, dynamicSize)) {
            Damaged("the dynamic segment lies outside the file");
            return {};
        }

        std::vector<Dyn> entries(dynamicSize / sizeof(Dyn));
        if (!Read(dynamicOffset, entries.data(), entries.size() * sizeof(Dyn))) {
            Damaged("the dynamic segment lies outside the file");
            return {};
        }
        std::vector<std::uint64_t> needed;
        bool haveStrtab = false;
        std::uint64_t strtabAddress = 0;
        std::uint64_t strtabSize = UINT64_MAX;
        for (const Dyn& entry : entries) {
            const auto tag = static_cast<std::int64_t>(Fix(entry.d_tag));
            const auto value = static_cast<std::uint64_t>(Fix(entry.d_un.d_val));
            if (tag == DT_NULL) {
                break;
            }
            if (tag == DT_NEEDED) {
                needed.push_back(value);
            } else if (tag == DT_STRTAB) {
                haveStrtab = true;
                strtabAddress = value;
            } else if (tag == DT_STRSZ) {
                strtabSize = value;
            }
        }
        if (needed.empty()) {
            return {};
        }
        if (!haveStrtab) {
            Damaged("needed libraries without a string table");
            return {};
        }

        // The string table is named by its address; the load segment holding it gives the file
        // offset, and its end bounds every string.
        const auto segment = std::find_if(loads.begin(), loads.end(), [&](const LoadSegment& s) {
            return strtabAddress >= s.address && strtabAddress - s.address < s.fileSize;
        });
        if (segment == loads.end()) {
            Damaged("the string table lies in no load segment");
            return {};
        }
        const std::uint64_t delta = strtabAddress - segment->address;
        if (segment->offset > UINT64_MAX - delta) {
            Damaged("the string table lies outside the file");
            return {};
        }
        const std::uint64_t tableOffset = segment->offset + delta;
        const std::uint64_t tableSize = std::min(strtabSize, segment->fileSize - delta);

        std::vector<std::string> names;
        for (const std::uint64_t nameOffset : needed) {
            if (nameOffset >= tableSize || tableOffset > UINT64_MAX - nameOffset ||
                tableOffset + nameOffset >= size_) {
                Damaged("a needed name lies outside the string table");
                continue;
            }
            const std::uint64_t start = tableOffset + nameOffset;
            // A name may end the file; it never runs past the table or the file.
            const std::uint64_t length =
                std::min({tableSize - nameOffset, maxNameBytes, size_ - start});
            const auto* first = reinterpret_cast<const char*>(data_ + start);
            const auto* end = static_cast<const char*>(std::memchr(first, '\0', length));
            if (end == nullptr) {
                Damaged("a needed name runs past the string table");
            } else if (end == first) {
                Damaged("a needed name is empty");
            } else {
                names.emplace_back(first, end);
            }
        }
        return names;
    }

    ElfImage& image_;
    const unsigned char* data_;
    std::uint64_t size_;
    bool swap_ = false;
    std::uint64_t programHeaderOffset_ = 0;
    std::uint64_t programHeaderSize_ = 0;
    std::uint64_t programHeaderCount_ = 0;
};

ElfImage::ElfImage(const unsigned char* data, std::size_t size) {
    Reader reader(*this, data, size);
    reader.ReadIdentity();
    if (hasIdentity_) {
        reader.ReadNeededNames();
    }
}

} // namespace VELMORA::NEVRA::Platform
