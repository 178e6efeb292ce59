// The PE reader on any bytes. libFuzzer hands over a buffer of exactly the input's size, so
// AddressSanitizer stops any read past it; the checks below hold for whatever the bytes are.
#include "PeImage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using VELMORA::NEVRA::Platform::PeImage;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const PeImage image(data, size);
    if (!image.HasIdentity() && (image.Damage().empty() || !image.ImportedNames().empty())) {
        std::abort(); // a file without readable headers is damaged and imports nothing
    }
    // Each import takes a descriptor of 20 bytes, and the table fits in the bytes.
    if (image.ImportedNames().size() > size / 20) {
        std::abort();
    }
    for (const std::string& name : image.ImportedNames()) {
        if (name.empty() || name.find('\0') != std::string::npos || name.size() > size) {
            std::abort(); // every name is a real, terminated string from inside the bytes
        }
    }
    return 0;
}
