// The dry run: everything that can be known about the next start-up of an installation
// without loading the platform or any package: the load lists, each library they name (is it
// there, does it export its entry points, can its own dependencies be found), the resource
// roots, and the platform's own files.
#pragma once

#include "install/Installation.h"
#include "install/LoadLists.h"

#include <string>
#include <vector>

namespace kaldor {

struct LibraryFinding {
    std::string role;     // "platform", "pre-load", "application", "post-load"
    std::string listedAs; // the entry as written in its list ("" for the platform)
    std::string path;     // the library the platform will load
    bool exists = false;
    std::vector<std::string> entryPoints;        // the names the platform will look up
    std::vector<std::string> missingEntryPoints; // of those, the ones not exported
    std::vector<std::string> missingDependencies;
    std::string resourceRoot;          // "" when the package has none
    std::vector<std::string> problems; // what will make it fail, in plain words
    std::vector<std::string> notes;
    std::vector<std::string> warnings; // what will not stop start-up but will bite later

    bool Ok() const { return problems.empty(); }
};

struct SkippedEntry {
    std::string role;
    std::string listedAs;
    std::string reason;
};

struct CheckReport {
    std::vector<LibraryFinding> libraries; // in start-up order
    std::vector<SkippedEntry> skipped;
    std::vector<std::string> problems; // of the installation as a whole
    std::vector<std::string> warnings;

    bool Ok() const;
    int ProblemCount() const;
};

CheckReport CheckInstallation(const Installation& installation);

} // namespace kaldor
