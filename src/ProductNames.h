// The names the product gives its own files and folders. Header-only, so that kaldor takes them
// without linking the platform it never loads.
#pragma once

namespace VELMORA::NEVRA::Platform::ProductNames {

inline constexpr char Platform[] = "Orvane";     // the platform library's stem
inline constexpr char ProductFolder[] = "Nevra"; // the product's folder in a user folder
inline constexpr char Product[] = "NEVRA";       // the prefix of setting copies

} // namespace VELMORA::NEVRA::Platform::ProductNames
