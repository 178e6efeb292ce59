// A package's two entry points are named after the stem of its library's file name, so that
// "Solver.so" exports "SolverInit" and "SolverExit". Header-only, so that kaldor takes the rule
// without linking the platform it never loads.
#pragma once

#include <string>

namespace VELMORA::NEVRA::Platform::PackageEntry {

inline constexpr char Init[] = "Init";
inline constexpr char Exit[] = "Exit";

inline std::string InitName(const std::string& stem) {
    return stem + Init;
}
inline std::string ExitName(const std::string& stem) {
    return stem + Exit;
}

// Whether an exported name has the form of one of the two, for some stem.
inline bool HasEntryForm(const std::string& name) {
    const auto endsWith = [&name](const std::string& suffix) {
        return name.size() >= suffix.size() &&
               name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
    };
    return endsWith(Init) || endsWith(Exit);
}

} // namespace VELMORA::NEVRA::Platform::PackageEntry
