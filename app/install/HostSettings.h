// The host configuration that decides what the platform will meet at start-up, read from this
// process's environment and judged by the host's own rules.
#pragma once

#include <optional>
#include <string>

namespace kaldor {

// The host's language name, as the host reports it to the platform.
std::string HostLanguage();

// The text of the host's refused paths that makes it refuse `path` as a search directory, or
// nothing when the host accepts it. The host refuses an empty path too ("" is returned).
std::optional<std::string> RefusedBy(const std::string& path);

} // namespace kaldor
