// The host's configuration rules, pure: the caller passes the environment's values. The host
// library applies them to its calls; kaldor applies them to predict what the host will do.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace KaldorHost {

inline constexpr char kLanguageVariable[] = "KALDOR_LANGUAGE";
inline constexpr char kRefusedPathsVariable[] = "KALDOR_REFUSE_PATHS";

// The host's language name: the configured one, or "English" when none is configured.
std::string LanguageName(const std::optional<std::string>& configured);

// The text of `refusedTexts` (`|`-separated) that makes the host refuse `path` as a search
// directory, or nothing when the host accepts it. An empty path is refused ("" is returned).
std::optional<std::string> RefusingText(std::string_view path, std::string_view refusedTexts);

} // namespace KaldorHost
