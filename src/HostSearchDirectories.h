// The directories of a resource root that the platform hands to the host as search paths, in
// the order it hands them over; kaldor lists the same ones to predict what the host refuses.
#pragma once

#include "ResourceKind.h"

#include <optional>
#include <string>
#include <vector>

namespace VELMORA::NEVRA::Platform {

struct RootSearchDirectory {
    std::string path;                 // in directory form
    std::optional<ResourceKind> kind; // none for the root itself
};

// The root, its Icons, text and Languages folders whether they exist or not, then its Context,
// Forms, Commands, qrc and data folders where they exist. `root` is in directory form.
std::vector<RootSearchDirectory> RootSearchDirectories(const std::string& root);

// The languages whose folders are handed over: the host's, then the fallback unless it is the
// host's.
std::vector<std::string> SearchedLocaleCodes(const std::string& hostCode);

// Languages/<code>/ and Languages/<code>/Text/ of `root`.
std::string LanguageDir(const std::string& root, const std::string& code);
std::string LanguageTextDir(const std::string& root, const std::string& code);
// Whether `dir` is the LanguageDir of `code` of some root.
bool IsLanguageDirOf(const std::string& dir, const std::string& code);
// The translation file of language `code` in its LanguageDir: the stem Qt's translator is given,
// and the file it then loads.
std::string TranslationFileStem(const std::string& code); // "Language_<code>"
std::string TranslationFileName(const std::string& code); // "Language_<code>.qm"

// Every directory above in the order the platform hands them over, for a host whose language
// has the locale code `hostCode`: the root's folders, then each language's folder and its Text
// folder.
std::vector<std::string> HostSearchDirectories(const std::string& root,
                                               const std::string& hostCode);

} // namespace VELMORA::NEVRA::Platform
