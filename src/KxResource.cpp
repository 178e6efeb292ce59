#include "KxResource.h"

#include "FilePath.h"
#include "FileSystem.h"
#include "KxResourceLang.h"
#include "KxResourcePath.h"
#include "KxResourceSetting.h"
#include "Layout.h"
#include "Sys.h"

namespace VELMORA::NEVRA::Platform {

namespace {

std::string DirectoryForm(const std::string& root) {
    FilePath path(root);
    return path.ToDirectoryForm().Str();
}

} // namespace

std::string ResolveResourceRoot(const char* dllPath, const char* resourcePath) {
    if (resourcePath != nullptr) {
        return resourcePath;
    }
    if (dllPath == nullptr) {
        return std::string();
    }
    const FilePath dll(dllPath);
    const std::string stem = dll.Stem();
    FilePath beside = dll.Parent();
    beside.AppendDir(stem);
    const std::string candidate = beside.Str();
    if (PathExists(candidate)) {
        return candidate;
    }
    const FilePath area = FilePath(PlatformResourceRoot()).Parent();
    // Every registration without a folder of its own asks; when the system says the name is not
    // there, the walk over the shared area could find nothing.
    FilePath named = area;
    named.AppendDir(stem);
    if (Sys::EntryMissing(named.Str())) {
        return std::string();
    }
    for (DirIterator it(area), end; it != end; ++it) {
        if (it.Path().FileName() == stem) {
            FilePath root = area;
            root.AppendDir(stem);
            return root.Str();
        }
    }
    return std::string();
}

KxResource::KxResource(const std::string& root) : root_(DirectoryForm(root)) {}

KxResource::~KxResource() {
    while (!parts_.empty()) {
        parts_.pop_back();
    }
}

std::int32_t KxResource::Load() {
    if (loaded_) {
        return result_;
    }
    loaded_ = true;
    if (root_.empty()) {
        result_ = 0;
        return result_;
    }
    // Each part is made only once the one before it has loaded; on failure they go in reverse
    // order, and what they handed to the host stays there.
    std::deque<std::unique_ptr<KxResourceBase>> made;
    const auto unwind = [&made] {
        while (!made.empty()) {
            made.pop_back();
        }
    };
    try {
        made.push_back(std::make_unique<KxResourcePath>(root_));
        if (made.back()->Load() == 0) {
            made.push_back(std::make_unique<KxResourceLang>(root_));
            if (made.back()->Load() == 0) {
                made.push_back(std::make_unique<KxResourceSetting>(root_));
                if (made.back()->Load() == 0) {
                    parts_ = std::move(made);
                    result_ = 0;
                    return result_;
                }
            }
        }
    } catch (...) {
        unwind();
        result_ = -1;
        throw;
    }
    unwind();
    result_ = -1;
    return result_;
}

} // namespace VELMORA::NEVRA::Platform
