// How the layer reads the dependency names of a library file: every ELF class and byte order,
// and files that are damaged in every way that reaches its reading. A name read from the file
// shows as a load of the real DepB.so beside it, which counts its loads.
#include "ElfImage.h"
#include "Sys.h"
#include "SysTestSupport.h"

#include <elf.h>

#include <cstdint>

using VELMORA::NEVRA::Platform::ElfImage;
namespace Sys = VELMORA::NEVRA::Platform::Sys;
namespace fs = std::filesystem;

namespace {

// What a crafted file gets wrong, named after the field it spoils: e_phoff beyond the file,
// e_phentsize too small, e_phnum beyond the file, no PT_DYNAMIC, PT_DYNAMIC beyond the file,
// DT_STRTAB outside every segment, a name beyond DT_STRSZ, a name without its terminating zero.
enum class Damage { None, PhOff, PhEntSize, PhNum, NoDynamic, DynamicOff, StrTab, StrSz, Unended };

// The machine of this process, so that a crafted file differs from a loadable library only
// where a test wants it to. e_machine lies at the same place in both classes.
std::uint16_t OwnMachine() {
    Elf64_Ehdr header{};
    std::ifstream("/proc/self/exe", std::ios::binary).read(reinterpret_cast<char*>(&header), 20);
    return header.e_machine;
}

// A minimal library file: one load segment over the whole file, a dynamic section that needs
// "DepB.so", and the string table last, so that a name can run into the end of the file.
std::string CraftElf(bool is64, bool bigEndian, Damage damage) {
    const std::uint64_t headerSize = is64 ? 64 : 52, entrySize = is64 ? 56 : 32;
    const std::uint64_t word = is64 ? 8 : 4, base = 0x10000;
    const std::uint64_t dynamicOffset = headerSize + 2 * entrySize;
    const std::uint64_t strtabOffset = dynamicOffset + 8 * word;
    std::string bytes(strtabOffset + (damage == Damage::Unended ? 8 : 9), '\0');
    bytes.replace(strtabOffset + 1, 7, "DepB.so");
    const std::uint64_t fileSize = bytes.size();
    const auto put = [&](std::uint64_t offset, std::uint64_t size, std::uint64_t value) {
        for (std::uint64_t i = 0; i < size; ++i) {
            bytes[offset + i] = static_cast<char>(value >> 8 * (bigEndian ? size - 1 - i : i));
        }
    };
    bytes.replace(0, 7, ELFMAG + std::string{char(is64 ? 2 : 1), char(bigEndian ? 2 : 1), 1});
    put(16, 2, 1); // ET_REL: the dynamic loader refuses it before mapping anything
    put(18, 2, OwnMachine());
    put(20, 4, 1);
    put(is64 ? 32 : 28, word, damage == Damage::PhOff ? 1ull << 31 : headerSize);
    put(is64 ? 52 : 40, 2, headerSize);
    put(is64 ? 54 : 42, 2, damage == Damage::PhEntSize ? 8 : entrySize);
    put(is64 ? 56 : 44, 2, damage == Damage::PhNum ? 0xfff0 : 2);

    // PT_LOAD over the whole file, then PT_DYNAMIC: type, offset, address, file and memory size.
    const auto segment = [&](std::uint64_t at, std::uint32_t type, std::uint64_t offset,
                             std::uint64_t size) {
        put(at, 4, type);
        put(at + word, word, offset);
        put(at + 2 * word, word, base + offset);
        put(at + 4 * word, word, size);
        put(at + 5 * word, word, size);
    };
    segment(headerSize, 1, 0, fileSize);
    segment(headerSize + entrySize, damage == Damage::NoDynamic ? 4 : 2,
            damage == Damage::DynamicOff ? fileSize - 8 : dynamicOffset, 8 * word);

    const std::uint64_t strtab = damage == Damage::StrTab ? 0x900000 : base + strtabOffset;
    const std::uint64_t strsz = damage == Damage::StrSz ? 1 : damage == Damage::Unended ? 1000 : 9;
    // DT_NEEDED "DepB.so", DT_STRTAB, DT_STRSZ, DT_NULL.
    const std::uint64_t dynamic[] = {1, 1, 5, strtab, 10, strsz, 0, 0};
    for (std::uint64_t i = 0; i < 8; ++i) {
        put(dynamicOffset + i * word, word, dynamic[i]);
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

ElfImage Image(const std::string& bytes) {
    return ElfImage(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

TEST_F(SysElf, NamesAreReadInEveryClassAndByteOrderButNeverFromADamagedFile) {
    for (const bool is64 : {false, true}) {
        for (const bool bigEndian : {false, true}) {
            SCOPED_TRACE(std::string(is64 ? "64" : "32") + (bigEndian ? " big" : " little"));
            const ElfImage sound = Image(CraftElf(is64, bigEndian, Damage::None));
            EXPECT_EQ(sound.NeededNames(), std::vector<std::string>{"DepB.so"});
            EXPECT_EQ(sound.Damage(), "");
            EXPECT_EQ(LoadsOfDepB(CraftElf(is64, bigEndian, Damage::None)), 1);
            EXPECT_EQ(Sys::LastError(), static_cast<Sys::ErrorCode>(ENOEXEC));
            for (int damage = 1; damage <= static_cast<int>(Damage::Unended); ++damage) {
                const std::string bytes = CraftElf(is64, bigEndian, static_cast<Damage>(damage));
                // Without a dynamic segment nothing is needed, which is no damage.
                EXPECT_EQ(Image(bytes).Damage().empty(), damage == int(Damage::NoDynamic))
                    << damage << ": " << Image(bytes).Damage();
                EXPECT_TRUE(Image(bytes).NeededNames().empty()) << damage;
                EXPECT_EQ(LoadsOfDepB(bytes), 0) << damage;
            }
        }
        const std::string whole = CraftElf(is64, false, Damage::None);
        for (std::size_t length = 0; length < whole.size(); ++length) {
            EXPECT_NE(Image(whole.substr(0, length)).Damage(), "") << length;
            EXPECT_EQ(LoadsOfDepB(whole.substr(0, length)), 0) << length;
        }
    }
}

} // namespace
