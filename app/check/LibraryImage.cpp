#include "LibraryImage.h"

#include <PackageEntryNames.h>
#include <Sys.h>

#include <algorithm>

namespace kaldor {

bool ReadLibraryBytes(const std::string& path, std::string& bytes, std::string& error) {
    if (!VELMORA::NEVRA::Platform::Sys::ReadFile(path, bytes)) {
        error = path + " cannot be opened";
        return false;
    }
    return true;
}

bool LibraryImage::ExportsFunction(const std::string& name) const {
    return std::binary_search(exported_.begin(), exported_.end(), name);
}

std::vector<std::string> EntryPointLikeExports(const LibraryImage& image) {
    std::vector<std::string> names;
    for (const auto& name : image.ExportedFunctions()) {
        if (VELMORA::NEVRA::Platform::PackageEntry::HasEntryForm(name)) {
            names.push_back(name);
        }
    }
    return names;
}

} // namespace kaldor
