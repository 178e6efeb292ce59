// Libraries of the PE format (Windows), read by the platform's PE reader. A DLL has no run path
// and nothing that pins it in memory.
#include "LibraryImage.h"

#include <PeImage.h>
#include <Sys.h>

namespace kaldor {

namespace Sys = VELMORA::NEVRA::Platform::Sys;
using VELMORA::NEVRA::Platform::PeImage;

namespace {

std::optional<PeImage> ReadPe(const std::string& path, std::string& error) {
    std::string bytes;
    if (!ReadLibraryBytes(path, bytes, error)) {
        return std::nullopt;
    }
    PeImage image(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    if (!image.HasIdentity()) {
        error = path + " is not a library (" + image.Damage() + ")";
        return std::nullopt;
    }
    if (!image.Damage().empty()) {
        error = path + " is cut short or damaged: " + image.Damage();
        return std::nullopt;
    }
    return image;
}

} // namespace

std::optional<LibraryImage> LibraryImage::Read(const std::string& path, std::string& error) {
    const std::optional<PeImage> pe = ReadPe(path, error);
    if (!pe) {
        return std::nullopt;
    }
    // The running program's machine: a DLL built for another cannot load.
    static const std::optional<PeImage> program = [] {
        std::string unreadable;
        return ReadPe(Sys::ExecutablePath(), unreadable);
    }();
    LibraryImage image;
    image.fit_ = program && program->Machine() != pe->Machine() ? Fit::OtherMachine : Fit::Loadable;
    image.library_ = pe->IsLibrary();
    image.exported_ = pe->ExportedNames();
    image.needed_ = pe->ImportedNames();
    return image;
}

} // namespace kaldor
