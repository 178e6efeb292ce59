// Where the platform's files lie in an installation, relative to the folder that holds the
// platform library: the one layout that start-up reads and that kaldor checks an installation by.
#pragma once

#include <string>

namespace VELMORA::NEVRA::Platform::InstallationLayout {

// Beside the platform library: the applications' folder, whose resource area holds one resource
// root per package name.
inline constexpr char AppFolder[] = "KxApp";
inline constexpr char ResourceFolder[] = "Resource";

// The load lists, in the platform's own resource root.
inline constexpr char PreLoadList[] = "NevraPreLoad.xml";
inline constexpr char PostLoadList[] = "NevraPostLoad.xml";
inline constexpr char AppList[] = "NevraPreLoadApp.xml";
inline constexpr char PendingAppList[] = "NevraPreLoadApp.tmp.xml";

// Whether a folder, by its last name, is one of a build tree's output folders, where a
// library's resources lie in the driver tree beside them rather than below it.
bool IsBuildTreeFolder(const std::string& lastName);

// The resource area relative to the platform library's folder, whose last name is `lastName`;
// several levels, with ".." in a build tree, for the reader to fold.
std::string ResourceAreaPath(const std::string& lastName);

} // namespace VELMORA::NEVRA::Platform::InstallationLayout
