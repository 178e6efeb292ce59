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

ResolvedAppPath AppPathResolver::Resolve(const std::string& text) {
    const FilePath path(text);
    if (!path.HasFileName()) {
        return {path.Str(), AppPathForm::NoFileName};
    }
    if (!path.IsRelative()) {
        if (path.Parent().Str() == appDirectory_) {
            return {path.FileName(), AppPathForm::FileNameOnly};
        }
        return {path.Str(), AppPathForm::Absolute};
    }
    if (!parsedAppDirectory_) {
        parsedAppDirectory_ = FilePath(appDirectory_).ToDirectoryForm().Str();
    }
    // The entry is taken as a name inside the folder, then the whole is parsed again, so that
    // its separators are unified and its "." and ".." folded with the folder's components.
    std::string joined;
    joined.reserve(parsedAppDirectory_->size() + text.size());
    joined.append(*parsedAppDirectory_).append(text);
    return {FilePath(joined).Str(), AppPathForm::InAppDir};
}

ResolvedAppPath ResolveAppPath(const std::string& text, const std::string& appDirectory) {
    return AppPathResolver(appDirectory).Resolve(text);
}

} // namespace VELMORA::NEVRA::Platform
