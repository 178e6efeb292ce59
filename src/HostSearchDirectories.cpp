#include "HostSearchDirectories.h"

#include "FilePath.h"
#include "FileSystem.h"
#include "LanguageTable.h"

namespace VELMORA::NEVRA::Platform {

namespace {

// Offered to the host whether they exist or not: the host's own lookups expect them.
constexpr ResourceKind kRequiredKinds[] = {ResourceKind::Icons, ResourceKind::Text,
                                           ResourceKind::Languages};
// Offered only when present, in the order the host searches them.
constexpr ResourceKind kOptionalKinds[] = {ResourceKind::Context, ResourceKind::Forms,
                                           ResourceKind::Commands, ResourceKind::Qrc,
                                           ResourceKind::Data};

} // namespace

std::vector<RootSearchDirectory> RootSearchDirectories(const std::string& root) {
    std::vector<RootSearchDirectory> dirs{{FilePath(root).Str(), std::nullopt}};
    for (const ResourceKind kind : kRequiredKinds) {
        dirs.push_back({ResourceDir(root, kind), kind});
    }
    for (const ResourceKind kind : kOptionalKinds) {
        std::string dir = ResourceDir(root, kind);
        if (PathExists(dir)) {
            dirs.push_back({std::move(dir), kind});
        }
    }
    return dirs;
}

std::vector<std::string> SearchedLocaleCodes(const std::string& hostCode) {
    std::vector<std::string> codes{hostCode};
    if (hostCode != kFallbackLocaleCode) {
        codes.emplace_back(kFallbackLocaleCode);
    }
    return codes;
}

std::string LanguageDir(const std::string& root, const std::string& code) {
    FilePath dir(ResourceDir(root, ResourceKind::Languages));
    return dir.AppendDir(code).Str();
}

std::string LanguageTextDir(const std::string& root, const std::string& code) {
    FilePath dir(LanguageDir(root, code));
    return dir.AppendDir("Text").Str();
}

bool IsLanguageDirOf(const std::string& dir, const std::string& code) {
    FilePath root(dir);
    if (root.DirCount() < 2) {
        return false;
    }
    root.ToDirectoryForm().GoUp().GoUp();
    return LanguageDir(root.Str(), code) == FilePath(dir).ToDirectoryForm().Str();
}

std::string TranslationFileStem(const std::string& code) {
    return "Language_" + code;
}

std::string TranslationFileName(const std::string& code) {
    return TranslationFileStem(code) + ".qm";
}

std::vector<std::string> HostSearchDirectories(const std::string& root,
                                               const std::string& hostCode) {
    std::vector<std::string> dirs;
    for (auto& dir : RootSearchDirectories(root)) {
        dirs.push_back(std::move(dir.path));
    }
    for (const auto& code : SearchedLocaleCodes(hostCode)) {
        dirs.push_back(LanguageDir(root, code));
        dirs.push_back(LanguageTextDir(root, code));
    }
    return dirs;
}

} // namespace VELMORA::NEVRA::Platform
