#include "PeImage.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace VELMORA::NEVRA::Platform {

namespace {

// Where the fields lie, from the PE format's description. Every offset is relative to the start
// of the structure named first.
constexpr std::uint16_t dosMagic = 0x5a4d;           // "MZ"
constexpr std::uint64_t dosNewHeaderOffset = 0x3c;   // e_lfanew
constexpr std::uint32_t peSignature = 0x00004550;    // "PE\0\0"
constexpr std::uint64_t peSignatureSize = 4;         // the COFF header follows it
constexpr std::uint64_t coffHeaderSize = 20;         // after the signature
constexpr std::uint64_t coffSectionCount = 2;        // NumberOfSections
constexpr std::uint64_t coffOptionalHeaderSize = 16; // SizeOfOptionalHeader
constexpr std::uint16_t pe32Magic = 0x10b;
constexpr std::uint16_t pe32PlusMagic = 0x20b;
// NumberOfRvaAndSizes and the data directories behind it, for PE32 and PE32+.
constexpr std::uint64_t pe32DirectoryCount = 92;
constexpr std::uint64_t pe32PlusDirectoryCount = 108;
constexpr std::uint64_t directoryCountSize = 4; // the directories follow it
constexpr std::uint64_t directoryEntrySize = 8; // address, size
constexpr std::uint32_t importDirectory = 1;
constexpr std::uint64_t sectionHeaderSize = 40;
constexpr std::uint64_t sectionVirtualAddress = 12;
constexpr std::uint64_t sectionRawSize = 16;
constexpr std::uint64_t sectionRawOffset = 20;
constexpr std::uint64_t importDescriptorSize = 20;
constexpr std::uint64_t importDescriptorName = 12;
constexpr std::uint64_t importDescriptorFirstThunk = 16;

// No sane library comes near these; they only cap what garbage costs.
constexpr std::uint64_t maxImportedLibraries = 4096;
constexpr std::uint64_t maxNameBytes = 4096;
constexpr std::uint64_t maxExportedNames = 1 << 20;

constexpr std::uint64_t coffMachine = 0;
constexpr std::uint64_t coffCharacteristics = 18;
constexpr std::uint16_t dllCharacteristic = 0x2000; // IMAGE_FILE_DLL
constexpr std::uint32_t exportDirectory = 0;
constexpr std::uint64_t exportNameCount = 24; // NumberOfNames
constexpr std::uint64_t exportNameTable = 32; // AddressOfNames

} // namespace

// Every field is read byte by byte as little-endian, the format's only byte order, after a
// bounds check against the bytes given and against the section it claims to lie in.
class PeImage::Reader final {
public:
    Reader(PeImage& image, const unsigned char* data, std::size_t size)
        : image_(image), data_(data), size_(size) {}

    void ReadIdentity() {
        std::uint16_t magic = 0;
        std::uint32_t newHeader = 0;
        if (!U16(0, magic) || magic != dosMagic) {
            Damaged("not a PE file");
            return;
        }
        std::uint32_t signature = 0;
        if (!U32(dosNewHeaderOffset, newHeader) || !U32(newHeader, signature)) {
            Damaged("the PE header lies outside the file");
            return;
        }
        if (signature != peSignature) {
            Damaged("no PE signature");
            return;
        }
        const std::uint64_t coff = std::uint64_t{newHeader} + peSignatureSize;
        std::uint16_t sectionCount = 0;
        std::uint16_t optionalSize = 0;
        std::uint16_t optionalMagic = 0;
        const std::uint64_t optional = coff + coffHeaderSize;
        if (!U16(coff + coffSectionCount, sectionCount) ||
            !U16(coff + coffOptionalHeaderSize, optionalSize) || !U16(optional, optionalMagic)) {
            Damaged("the PE header is cut short");
            return;
        }
        if (optionalMagic != pe32Magic && optionalMagic != pe32PlusMagic) {
            Damaged("unknown optional header magic " + std::to_string(optionalMagic));
            return;
        }
        const std::uint64_t countAt =
            optional +
            (optionalMagic == pe32PlusMagic ? pe32PlusDirectoryCount : pe32DirectoryCount);
        // The directory count and the directories must lie inside the optional header as its
        // size gives it, and that header inside the file.
        if (countAt + directoryCountSize > optional + optionalSize ||
            !Fits(optional, optionalSize) || !U32(countAt, directoryCount_)) {
            Damaged("the optional header is cut short");
            return;
        }
        directories_ = countAt + directoryCountSize;
        directoriesEnd_ = optional + optionalSize;
        sections_ = directoriesEnd_;
        sectionCount_ = sectionCount;
        coff_ = coff;
        image_.hasIdentity_ = true;
    }

    void ReadImportedNames() {
        if (directoryCount_ <= importDirectory) {
            return; // no import directory: the file imports nothing
        }
        const std::uint64_t entry = directories_ + importDirectory * directoryEntrySize;
        std::uint32_t tableAddress = 0;
        if (entry + directoryEntrySize > directoriesEnd_ || !U32(entry, tableAddress)) {
            Damaged("the data directories are cut short");
            return;
        }
        if (tableAddress == 0) {
            return;
        }
        Span table;
        if (!Locate(tableAddress, "the import table", table)) {
            return;
        }
        for (std::uint64_t index = 0;; ++index) {
            const std::uint64_t descriptor = table.offset + index * importDescriptorSize;
            std::uint32_t name = 0;
            std::uint32_t firstThunk = 0;
            if ((index + 1) * importDescriptorSize > table.size ||
                !U32(descriptor + importDescriptorName, name) ||
                !U32(descriptor + importDescriptorFirstThunk, firstThunk)) {
                Damaged("the import table has no end");
                return;
            }
            if (name == 0 && firstThunk == 0) {
                return; // the all-zero descriptor ends the table
            }
            if (index == maxImportedLibraries) {
                Damaged("more than " + std::to_string(maxImportedLibraries) +
                        " imported libraries");
                return;
            }
            ReadName(name);
        }
    }

private:
    // Bytes of the file that an address inside the image maps to: from `offset`, `size` of them
    // up to the end of the section's data in the file.
    struct Span {
        std::uint64_t offset = 0;
        std::uint64_t size = 0;
    };

    void Damaged(std::string reason) {
        if (image_.damage_.empty()) {
            image_.damage_ = std::move(reason);
        }
    }

    bool Fits(std::uint64_t offset, std::uint64_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }

    bool U16(std::uint64_t offset, std::uint16_t& out) const {
        if (!Fits(offset, sizeof(std::uint16_t))) {
            return false;
        }
        out = static_cast<std::uint16_t>(data_[offset] | data_[offset + 1] << 8);
        return true;
    }

    bool U32(std::uint64_t offset, std::uint32_t& out) const {
        if (!Fits(offset, sizeof(std::uint32_t))) {
            return false;
        }
        out = 0;
        for (int byte = static_cast<int>(sizeof(std::uint32_t)) - 1; byte >= 0; --byte) {
            out = out << 8 | data_[offset + static_cast<std::uint64_t>(byte)];
        }
        return true;
    }

    // The section whose data holds `address` gives its place in the file, which must have at
    // least one byte of it; `what` names the thing looked for in the damage.
    bool Locate(std::uint32_t address, const char* what, Span& out) {
        for (std::uint64_t index = 0; index < sectionCount_; ++index) {
            const std::uint64_t header = sections_ + index * sectionHeaderSize;
            std::uint32_t start = 0;
            std::uint32_t rawSize = 0;
            std::uint32_t rawOffset = 0;
            if (!U32(header + sectionVirtualAddress, start) ||
                !U32(header + sectionRawSize, rawSize) ||
                !U32(header + sectionRawOffset, rawOffset)) {
                Damaged("the section table lies outside the file");
                return false;
            }
            if (address >= start && address - start < rawSize) {
                out.offset = std::uint64_t{rawOffset} + (address - start);
                out.size = rawSize - (address - start);
                if (out.offset >= size_) {
                    Damaged(std::string(what) + " lies outside the file");
                    return false;
                }
                return true;
            }
        }
        Damaged(std::string(what) + " lies in no section");
        return false;
    }

    void ReadName(std::uint32_t address) {
        std::string name;
        if (ReadString(address, "an imported name", name)) {
            image_.imported_.push_back(std::move(name));
        }
    }

    // The string at `address`; false (with the damage named by `what`) when it cannot be read.
    bool ReadString(std::uint32_t address, const char* what, std::string& out) {
        Span name;
        if (!Locate(address, what, name)) {
            return false;
        }
        const std::uint64_t length = std::min({name.size, maxNameBytes, size_ - name.offset});
        const auto* first = reinterpret_cast<const char*>(data_ + name.offset);
        const auto* end = static_cast<const char*>(std::memchr(first, '\0', length));
        if (end == nullptr || end == first) {
            Damaged(std::string(what) + (end == nullptr ? " runs past its section" : " is empty"));
            return false;
        }
        out.assign(first, end);
        return true;
    }

public:
    void ReadKind() {
        std::uint16_t characteristics = 0;
        if (U16(coff_ + coffMachine, image_.machine_) &&
            U16(coff_ + coffCharacteristics, characteristics)) {
            image_.library_ = (characteristics & dllCharacteristic) != 0;
        }
    }

    void ReadExportedNames() {
        const std::uint64_t entry = directories_ + exportDirectory * directoryEntrySize;
        std::uint32_t tableAddress = 0;
        if (directoryCount_ <= exportDirectory || entry + directoryEntrySize > directoriesEnd_ ||
            !U32(entry, tableAddress) || tableAddress == 0) {
            return; // the file exports nothing
        }
        Span table;
        std::uint32_t count = 0;
        std::uint32_t namesAddress = 0;
        if (!Locate(tableAddress, "the export table", table) ||
            !U32(table.offset + exportNameCount, count) ||
            !U32(table.offset + exportNameTable, namesAddress)) {
            Damaged("the export table is cut short");
            return;
        }
        if (count > maxExportedNames) {
            Damaged("more than " + std::to_string(maxExportedNames) + " exported names");
            return;
        }
        Span names;
        if (count != 0 && !Locate(namesAddress, "the export name table", names)) {
            return;
        }
        for (std::uint64_t index = 0; index < count; ++index) {
            std::uint32_t address = 0;
            std::string name;
            if ((index + 1) * sizeof(std::uint32_t) > names.size ||
                !U32(names.offset + index * sizeof(std::uint32_t), address)) {
                Damaged("the export name table is cut short");
                return;
            }
            if (ReadString(address, "an exported name", name)) {
                image_.exported_.push_back(std::move(name));
            }
        }
        std::sort(image_.exported_.begin(), image_.exported_.end());
    }

private:
    PeImage& image_;
    const unsigned char* data_;
    std::uint64_t size_;
    std::uint32_t directoryCount_ = 0;
    std::uint64_t directories_ = 0;
    std::uint64_t directoriesEnd_ = 0;
    std::uint64_t sections_ = 0;
    std::uint64_t sectionCount_ = 0;
    std::uint64_t coff_ = 0;
};

PeImage::PeImage(const unsigned char* data, std::size_t size) {
    Reader reader(*this, data, size);
    reader.ReadIdentity();
    if (hasIdentity_) {
        reader.ReadImportedNames();
        reader.ReadKind();
        reader.ReadExportedNames();
    }
}

} // namespace VELMORA::NEVRA::Platform
