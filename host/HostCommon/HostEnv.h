// Configuration of the libraries around the platform. Every value is read from the environment
// at each call, so that a test can change it between scenarios in one process.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace HostCommon {

// The home folder the host's configuration puts every user folder below; a host program that
// brings up an installation of its own sets it before the platform loads.
inline constexpr char kHomeVariable[] = "KALDOR_HOME";

// The variable's value, or nothing when it is unset. A variable set to "" is set.
std::optional<std::string> EnvValue(const char* name);

// The variable's value, or `fallback` when it is unset.
std::string EnvValueOr(const char* name, std::string_view fallback);

// The role directory of the current profile, as the host's configuration sets it.
std::string ProfileRole();

// The items of `list` between `separator`s; empty items are dropped, since an empty item would
// match everything.
std::vector<std::string> SplitList(std::string_view list, char separator);

} // namespace HostCommon
