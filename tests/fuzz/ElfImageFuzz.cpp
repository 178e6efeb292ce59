// The ELF reader on any bytes. libFuzzer hands over a buffer of exactly the input's size, so
// AddressSanitizer stops any read past it; the checks below hold for whatever the bytes are.
#include "ElfImage.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using VELMORA::NEVRA::Platform::ElfImage;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ElfImage image(data, size);
    if (!image.HasIdentity() && (image.Damage().empty() || !image.NeededNames().empty())) {
        std::abort(); // a file without a readable header is damaged and needs nothing
    }
    for (const std::string& name : image.NeededNames()) {
        if (name.empty() || name.size() >= PATH_MAX || name.find('\0') != std::string::npos ||
            name.size() > size) {
            std::abort(); // every name is a real, terminated string from inside the bytes
        }
    }
    return 0;
}
