#include "LibraryImage.h"

#include <PackageEntryNames.h>
#include <Sys.h>

namespace kaldor {

namespace Sys = VELMORA::NEVRA::Platform::Sys;

std::optional<ElfImage> ReadLibraryImage(const std::string& path, std::string& error) {
    std::string bytes;
    if (!Sys::ReadFile(path, bytes)) {
        error = path + " cannot be opened";
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

std::vector<std::string> EntryPointLikeExports(const ElfImage& image) {
    std::vector<std::string> names;
    for (const auto& name : image.ExportedFunctions()) {
        if (VELMORA::NEVRA::Platform::PackageEntry::HasEntryForm(name)) {
            names.push_back(name);
        }
    }
    return names;
}

} // namespace kaldor
