// How the layer reads the dependency names of a library file: every ELF class and byte order,
// and files that are damaged in every way that reaches its reading. A name read from the file
// shows as a load of the real DepB.so beside it, which counts its loads.
#include "Sys.h"
#include "SysTestSupport.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace Sys = VELMORA::NEVRA::Platform::Sys;
using SysTest::CopyLibraries;
using SysTest::TempDir;
namespace fs = std::filesystem;

namespace {

enum class Damage {
    None,
    HeaderTableOutsideFile,
    HeaderEntryTooSmall,
    HeaderCountBeyondFile,
    NoDynamicSection,
    DynamicSectionOutsideFile,
    StringTableOutsideSegments,
    NameBeyondStringTableSize,
    NameUnterminated,
};

// The machine of this process, so that a crafted file differs from a loadable library only
// where a test wants it to.
std::uint16_t OwnMachine() {
    char header[20] = {};
    std::ifstream("/proc/self/exe", std::ios::binary).read(header, sizeof header);
    std::uint16_t machine = 0;
    std::memcpy(&machine, header + 18, sizeof machine);
    return machine;
}

// A minimal library file: one load segment over the whole file, a dynamic section that needs
// "DepB.so", and the string table last, so that a name can run into the end of the file.
class CraftedElf {
public:
    CraftedElf(bool is64, bool bigEndian) : is64_(is64), bigEndian_(bigEndian) {}

    std::string Build(Damage damage) {
        const std::uint64_t headerSize = is64_ ? 64 : 52;
        const std::uint64_t entrySize = is64_ ? 56 : 32;
        const std::uint64_t dynEntrySize = is64_ ? 16 : 8;
        const std::uint64_t dynamicOffset = headerSize + 2 * entrySize;
        const std::uint64_t strtabOffset = dynamicOffset + 4 * dynEntrySize;
        const std::string strtab = std::string("\0DepB.so", 8) +
                                   (damage == Damage::NameUnterminated ? "" : std::string(1, '\0'));
        bytes_.assign(strtabOffset + strtab.size(), '\0');
        bytes_.replace(strtabOffset, strtab.size(), strtab);
        const std::uint64_t fileSize = bytes_.size();
        const std::uint64_t base = 0x10000;

        // Identification and header.
        bytes_.replace(0, 4,
                       "\x7f"
                       "ELF");
        bytes_[4] = is64_ ? 2 : 1;
        bytes_[5] = bigEndian_ ? 2 : 1;
        bytes_[6] = 1;
        Put(16, 2, 1); // ET_REL: the dynamic loader refuses it before mapping anything
        Put(18, 2, OwnMachine());
        Put(20, 4, 1);
        const std::uint64_t phoff =
            damage == Damage::HeaderTableOutsideFile ? 1ull << 31 : headerSize;
        Word(is64_ ? 32 : 28, phoff);
        Put(is64_ ? 52 : 40, 2, headerSize);
        Put(is64_ ? 54 : 42, 2, damage == Damage::HeaderEntryTooSmall ? 8 : entrySize);
        Put(is64_ ? 56 : 44, 2, damage == Damage::HeaderCountBeyondFile ? 0xfff0 : 2);

        // PT_LOAD over the whole file, then PT_DYNAMIC.
        Segment(headerSize, 1, 0, base, fileSize);
        const std::uint64_t dynamicAt =
            damage == Damage::DynamicSectionOutsideFile ? fileSize - 8 : dynamicOffset;
        Segment(headerSize + entrySize, damage == Damage::NoDynamicSection ? 4 : 2, dynamicAt,
                base + dynamicAt, 4 * dynEntrySize);

        const std::uint64_t strtabAddress =
            damage == Damage::StringTableOutsideSegments ? 0x900000 : base + strtabOffset;
        const std::uint64_t strsz = damage == Damage::NameBeyondStringTableSize ? 1
                                    : damage == Damage::NameUnterminated        ? 1000
                                                                                : strtab.size();
        Dynamic(dynamicOffset, 0, 1, 1); // DT_NEEDED "DepB.so"
        Dynamic(dynamicOffset, 1, 5, strtabAddress);
        Dynamic(dynamicOffset, 2, 10, strsz);
        Dynamic(dynamicOffset, 3, 0, 0);
        return bytes_;
    }

private:
    void Put(std::uint64_t offset, int size, std::uint64_t value) {
        for (int i = 0; i < size; ++i) {
            const int shift = 8 * (bigEndian_ ? size - 1 - i : i);
            bytes_[offset + i] = static_cast<char>((value >> shift) & 0xff);
        }
    }
    void Word(std::uint64_t offset, std::uint64_t value) { Put(offset, is64_ ? 8 : 4, value); }

    void Segment(std::uint64_t at, std::uint32_t type, std::uint64_t offset, std::uint64_t address,
                 std::uint64_t size) {
        Put(at, 4, type);
        if (is64_) {
            Put(at + 8, 8, offset);
            Put(at + 16, 8, address);
            Put(at + 32, 8, size);
            Put(at + 40, 8, size);
        } else {
            Put(at + 4, 4, offset);
            Put(at + 8, 4, address);
            Put(at + 16, 4, size);
            Put(at + 20, 4, size);
        }
    }

    void Dynamic(std::uint64_t table, int index, std::uint64_t tag, std::uint64_t value) {
        const std::uint64_t at = table + index * (is64_ ? 16 : 8);
        Word(at, tag);
        Word(at + (is64_ ? 8 : 4), value);
    }

    bool is64_;
    bool bigEndian_;
    std::string bytes_;
};

int DepBLoads() {
    const char* value = std::getenv("SYS_TEST_DEPB_LOADS");
    return value != nullptr ? std::atoi(value) : 0;
}

class SysElf : public ::testing::Test {
protected:
    void SetUp() override { CopyLibraries(dir.Path(), {"DepB.so", "DepC.so"}); }

    // Loads `content` as a library beside DepB.so; returns how often DepB.so was loaded.
    int LoadsOfDepB(const std::string& content) {
        const std::string path = dir / "Crafted.so";
        SysTest::WriteFile(path, content);
        const int before = DepBLoads();
        Sys::SetLastError(0);
        EXPECT_EQ(Sys::LoadLibrary(path), nullptr);
        EXPECT_NE(Sys::LastError(), 0u);
        EXPECT_EQ(Sys::FindLoadedModule(dir / "DepB.so"), nullptr)
            << "a failed load keeps nothing loaded";
        return DepBLoads() - before;
    }

    TempDir dir;
};

TEST_F(SysElf, NamesAreReadInEveryClassAndByteOrder) {
    for (const bool is64 : {false, true}) {
        for (const bool bigEndian : {false, true}) {
            SCOPED_TRACE(std::string(is64 ? "64" : "32") + (bigEndian ? " big" : " little"));
            EXPECT_EQ(LoadsOfDepB(CraftedElf(is64, bigEndian).Build(Damage::None)), 1);
            EXPECT_EQ(Sys::LastError(), static_cast<Sys::ErrorCode>(ENOEXEC))
                << Sys::LoaderErrorText();
        }
    }
}

TEST_F(SysElf, DamagedFilesYieldNoNames) {
    const Damage damages[] = {
        Damage::HeaderTableOutsideFile,    Damage::HeaderEntryTooSmall,
        Damage::HeaderCountBeyondFile,     Damage::NoDynamicSection,
        Damage::DynamicSectionOutsideFile, Damage::StringTableOutsideSegments,
        Damage::NameBeyondStringTableSize, Damage::NameUnterminated,
    };
    for (const Damage damage : damages) {
        for (const bool is64 : {false, true}) {
            SCOPED_TRACE(std::to_string(static_cast<int>(damage)) + (is64 ? " 64" : " 32"));
            EXPECT_EQ(LoadsOfDepB(CraftedElf(is64, false).Build(damage)), 0);
        }
    }
}

TEST_F(SysElf, EveryTruncationYieldsNoNames) {
    for (const bool is64 : {false, true}) {
        const std::string whole = CraftedElf(is64, false).Build(Damage::None);
        for (std::size_t length = 0; length < whole.size(); ++length) {
            SCOPED_TRACE(length);
            EXPECT_EQ(LoadsOfDepB(whole.substr(0, length)), 0);
        }
    }
}

} // namespace
