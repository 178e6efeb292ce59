#include "SettingFiles.h"

#include "FilePath.h"
#include "FileSystem.h"
#include "ResourceKind.h"

namespace VELMORA::NEVRA::Platform {

bool IsSettingFile(const DirIterator& entry) {
    if (entry.Path().Extension() != kSettingFileExtension) {
        return false;
    }
    bool regular = false;
    if (!entry.KnownRegularFile(regular)) {
        regular = IsRegularFile(*entry);
    }
    return regular;
}

std::vector<std::string> SettingFiles(const std::string& dir) {
    std::vector<std::string> files;
    if (!PathExists(dir) || !IsDirectory(dir)) {
        return files;
    }
    for (DirIterator it(dir), end; it != end; ++it) {
        if (IsSettingFile(it)) {
            files.push_back(*it);
        }
    }
    return files;
}

std::vector<std::string> RootSettingFiles(const std::string& root) {
    std::vector<std::string> files = SettingFiles(ResourceDir(root, ResourceKind::DefaultActions));
    for (auto& file : SettingFiles(ResourceDir(root, ResourceKind::DefaultControls))) {
        files.push_back(std::move(file));
    }
    return files;
}

} // namespace VELMORA::NEVRA::Platform
