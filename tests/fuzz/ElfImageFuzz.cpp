// The ELF reader on any bytes, at both levels of detail. libFuzzer hands over a buffer of exactly
// the input's size, so AddressSanitizer stops any read past it; the checks below hold for
// whatever the bytes are.
#include "ElfImage.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using VELMORA::NEVRA::Platform::ElfImage;

namespace {

// Every name is a real, terminated string from inside the bytes.
void CheckNames(const std::vector<std::string>& names, std::size_t size, std::size_t limit) {
    for (const std::string& name : names) {
        if (name.empty() || name.size() > limit || name.find('\0') != std::string::npos ||
            name.size() > size) {
            std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ElfImage names(data, size, ElfImage::Detail::Dependencies);
    const ElfImage image(data, size, ElfImage::Detail::Symbols);
    if (!image.HasIdentity() && (image.Damage().empty() || !image.NeededNames().empty() ||
                                 !image.RunPath().empty() || !image.ExportedFunctions().empty())) {
        std::abort(); // a file without a readable header is damaged and holds nothing
    }
    if (image.HasIdentity() && !image.IsElf()) {
        std::abort();
    }
    // The symbols are read after everything else, so reading them changes nothing before them.
    if (names.NeededNames() != image.NeededNames() || names.RunPath() != image.RunPath() ||
        names.HasIdentity() != image.HasIdentity() || names.Machine() != image.Machine() ||
        names.IsSharedObject() != image.IsSharedObject() || !names.ExportedFunctions().empty() ||
        !names.UniqueSymbols().empty() ||
        (!names.Damage().empty() && names.Damage() != image.Damage())) {
        std::abort();
    }
    CheckNames(image.NeededNames(), size, PATH_MAX - 1);
    CheckNames(image.RunPath(), size, size);
    CheckNames(image.ExportedFunctions(), size, size);
    CheckNames(image.UniqueSymbols(), size, size);
    for (const std::string& directory : image.RunPath()) {
        if (directory.find(':') != std::string::npos) {
            std::abort(); // the run path is split into its directories
        }
    }
    const auto& exported = image.ExportedFunctions();
    if (!std::is_sorted(exported.begin(), exported.end()) ||
        (!exported.empty() && !image.ExportsFunction(exported.front()))) {
        std::abort();
    }
    return 0;
}
