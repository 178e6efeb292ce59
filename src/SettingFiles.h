// Which files of a resource root are setting files: what the platform copies for the
// user-interface library, and what a root must have at least one of to register.
#pragma once

#include <string>
#include <vector>

namespace VELMORA::NEVRA::Platform {

class DirIterator;

// The setting files' extension, without the dot; compared exactly.
inline constexpr char kSettingFileExtension[] = "hcui";

// The entry is a regular file (after following a link) with the setting files' extension.
bool IsSettingFile(const DirIterator& entry);

// The setting files directly inside `dir`, in listing order; none when it is no directory.
std::vector<std::string> SettingFiles(const std::string& dir);

// The setting files a resource root ships: those of Configures/Default/Action/, then those of
// Configures/Default/Controls/. A root without any fails its registration.
std::vector<std::string> RootSettingFiles(const std::string& root);

} // namespace VELMORA::NEVRA::Platform
