// Where the installation and the user's folders are, relative to the platform library.
#pragma once

#include <string>

namespace VELMORA::NEVRA::Platform {

std::string PlatformName();      // "Orvane"
std::string ProductFolderName(); // "Nevra"
std::string ProductName();       // "NEVRA"

std::string AppDirectory();
bool IsBuildTreeLayout();
std::string ResourceRoot(const std::string& name);
std::string PlatformResourceRoot();
// The folder that holds the platform's resource root, where a package without resources of its
// own beside it may have them.
std::string ResourceArea();
std::string UserLibraryDirectory();
std::string LogDirectory();

// The host's user folder of one kind (UserFolderKind of the host's configuration library),
// copied at once.
std::string FolderPath(int kind);

} // namespace VELMORA::NEVRA::Platform
