#include "InstallationLayout.h"

namespace VELMORA::NEVRA::Platform::InstallationLayout {

bool IsBuildTreeFolder(const std::string& lastName) {
    for (const char* marker : {"Debug", "Release", "RelNoOpt"}) {
        if (lastName.find(marker) != std::string::npos) {
            return true;
        }
    }
    return false;
}

std::string ResourceAreaPath(const std::string& lastName) {
    const std::string area = std::string(AppFolder) + "/" + ResourceFolder;
    return IsBuildTreeFolder(lastName) ? "../../driver/" + area : area;
}

} // namespace VELMORA::NEVRA::Platform::InstallationLayout
