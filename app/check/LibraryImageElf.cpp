// Libraries of the ELF format, read by the platform's ELF reader.
#include "LibraryImage.h"

#include <ElfImage.h>
#include <Sys.h>

namespace kaldor {

namespace Sys = VELMORA::NEVRA::Platform::Sys;
using VELMORA::NEVRA::Platform::ElfImage;

namespace {

std::optional<ElfImage> ReadElf(const std::string& path, std::string& error) {
    std::string bytes;
    if (!ReadLibraryBytes(path, bytes, error)) {
        return std::nullopt;
    }
    ElfImage image(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                   ElfImage::Detail::Symbols);
    if (!image.IsElf()) {
        error = path + " is not a shared library (no ELF header)";
        return std::nullopt;
    }
    if (!image.Damage().empty() || !image.SegmentsFit(bytes.size())) {
        error = path + " is cut short or damaged: " +
                (image.Damage().empty() ? "its load segments end past the end of the file"
                                        : image.Damage());
        return std::nullopt;
    }
    return image;
}

// The ELF class, byte order and machine of the running program: a library of another kind
// cannot load.
const ElfImage* OwnProgram() {
    static const std::optional<ElfImage> program = [] {
        std::string error;
        return ReadElf(Sys::ExecutablePath(), error);
    }();
    return program ? &*program : nullptr;
}

} // namespace

std::optional<LibraryImage> LibraryImage::Read(const std::string& path, std::string& error) {
    const std::optional<ElfImage> elf = ReadElf(path, error);
    if (!elf) {
        return std::nullopt;
    }
    LibraryImage image;
    const ElfImage* program = OwnProgram();
    const ElfImage::Fit fit = program != nullptr ? elf->FitFor(*program) : ElfImage::Fit::Loadable;
    image.fit_ = fit == ElfImage::Fit::OtherByteOrder ? Fit::OtherByteOrder
                 : fit == ElfImage::Fit::OtherMachine ? Fit::OtherMachine
                                                      : Fit::Loadable;
    image.library_ = elf->IsSharedObject();
    image.exported_ = elf->ExportedFunctions();
    image.unique_ = elf->UniqueSymbols();
    image.needed_ = elf->NeededNames();
    image.runPath_ = elf->RunPath();
    return image;
}

} // namespace kaldor
