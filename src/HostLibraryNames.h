// The host's libraries that the platform and kaldor both reach by file name. Header-only, so
// that kaldor takes the names without linking the platform it never loads.
#pragma once

#include "Sys.h"

#include <string>

namespace VELMORA::NEVRA::Platform::HostLibraryName {

// Stems; the file name adds the system's library suffix.
inline constexpr char Database[] = "KxDbBase";
inline constexpr char Gui[] = "KxGui";
inline constexpr char Log[] = "KxLog";
inline constexpr char Host[] = "Kaldor";
inline constexpr char Configuration[] = "Kaldor_Config";

// "KxDbBase.so" on Linux, "KxDbBase.dll" on Windows.
inline std::string File(const char* stem) {
    return stem + std::string(Sys::LibrarySuffix());
}

} // namespace VELMORA::NEVRA::Platform::HostLibraryName
