#include "LoadListFile.h"

#include "FilePath.h"
#include "Sys.h"

#include <tinyxml2.h>

namespace VELMORA::NEVRA::Platform {

LoadListFile LoadListFile::ReadModules(const std::string& file) {
    return Read(file, "module", "name", "qa");
}

LoadListFile LoadListFile::ReadApps(const std::string& file) {
    return Read(file, "App", "path", "load");
}

LoadListFile LoadListFile::Read(const std::string& file, const char* element, const char* first,
                                const char* second) {
    LoadListFile list;
    list.reading_ = ReadXmlChildren(file, element, [&](const tinyxml2::XMLElement& entry) {
        const char* a = entry.Attribute(first);
        const char* b = entry.Attribute(second);
        if (a == nullptr || b == nullptr) {
            list.passedOver_.push_back({entry.GetLineNum(), a == nullptr ? first : second});
            return;
        }
        list.entries_.push_back({a, b, entry.GetLineNum()});
    });
    return list;
}

std::string ModuleLibraryPath(const std::string& moduleDirectory, const std::string& name) {
    return moduleDirectory + name + Sys::LibrarySuffix();
}

std::string RegisteredModulePath(const std::string& moduleDirectory, const std::string& name) {
    return FilePath(ModuleLibraryPath(moduleDirectory, name)).Str();
}

ResolvedAppPath ResolveAppPath(const std::string& text, const std::string& appDirectory) {
    const FilePath path(text);
    if (!path.HasFileName()) {
        return {path.Str(), AppPathForm::NoFileName};
    }
    if (!path.IsRelative()) {
        if (path.Parent().Str() == appDirectory) {
            return {path.FileName(), AppPathForm::FileNameOnly};
        }
        return {path.Str(), AppPathForm::Absolute};
    }
    return {FilePath(FilePath(FilePath(appDirectory), text).Str()).Str(), AppPathForm::InAppDir};
}

} // namespace VELMORA::NEVRA::Platform
