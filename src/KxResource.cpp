#include "KxResource.h"

#include "FilePath.h"
#include "FileSystem.h"
#include "KxResourceLang.h"
#include "KxResourcePath.h"
#include "KxResourceSetting.h"
#include "Layout.h"
#include "Log.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace VELMORA::NEVRA::Platform {

namespace {

std::string DirectoryForm(const std::string& root) {
    FilePath path(root);
    return path.ToDirectoryForm().Str();
}

} // namespace

bool QtFileName(const std::string& path, const char* what, QString& name) {
    const QByteArray bytes(path.data(), static_cast<int>(path.size()));
    QString decoded = QFile::decodeName(bytes);
    if (QFile::encodeName(decoded) != bytes) {
        KX_LOG_ERROR(std::string(what) + " not done, Qt cannot open the name: " + path);
        return false;
    }
    name = std::move(decoded);
    return true;
}

std::string ResourceDir(const std::string& root, int kind) {
    static const char* const kRelative[] = {"Icons", "text",    "Languages", "Forms", "Commands",
                                            "qrc",   "Context", nullptr,     "data",  "doc",
                                            nullptr, nullptr,   "supp",      nullptr, nullptr};
    if (kind < 0 || kind > 14) {
        return std::string();
    }
    FilePath path(root);
    path.ToDirectoryForm();
    switch (kind) {
    case 7:
        path.AppendDir("Configures").AppendDir("Default").AppendDir("Action");
        break;
    case 10:
        path.AppendDir("Library").AppendDir("custom");
        break;
    case 11:
        path.AppendDir("Library").AppendDir("noncustom");
        break;
    case 13:
        path.AppendDir("Configures").AppendDir("Default").AppendDir("Controls");
        break;
    case 14:
        path.AppendDir("Profile").SetFileName("simbrowser_profile.json");
        break;
    default:
        path.AppendDir(kRelative[kind]);
        break;
    }
    return path.Str();
}

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
