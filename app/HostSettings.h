// The host configuration that decides what the platform will meet at start-up: the host's
// language (KALDOR_LANGUAGE) and the search paths the host refuses (KALDOR_REFUSE_PATHS).
#pragma once

#include <optional>
#include <string>

namespace kaldor {

// The host's language name; "English" when KALDOR_LANGUAGE is not set.
std::string HostLanguage();

// The locale code the platform uses for a host language name ("German" -> "de_DE"), compared
// without regard to case; "en_US" for a name it does not know, "" for the empty name.
std::string LocaleCodeOf(const std::string& language);

// The text of KALDOR_REFUSE_PATHS that makes the host refuse `path` as a search directory, or
// nothing when the host accepts it. The host refuses an empty path too ("" is returned).
std::optional<std::string> RefusedBy(const std::string& path);

} // namespace kaldor
