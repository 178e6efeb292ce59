// A library file read for examination, never loaded: the platform's own ELF reader on the bytes
// the platform's file layer reads, so that kaldor sees a library exactly as start-up does.
#pragma once

#include <ElfImage.h>

#include <optional>
#include <string>
#include <vector>

namespace kaldor {

using VELMORA::NEVRA::Platform::ElfImage;

// The image of the file at `path`, symbols included. Nothing when the file cannot be read or is
// no readable ELF file; `error` then names the file and says why.
std::optional<ElfImage> ReadLibraryImage(const std::string& path, std::string& error);

// The exported functions named like a package's entry points ("…Init", "…Exit"): what a
// library offers instead when its entry points do not match its file name.
std::vector<std::string> EntryPointLikeExports(const ElfImage& image);

} // namespace kaldor
