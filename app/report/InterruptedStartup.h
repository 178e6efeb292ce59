// The last start-up as kaldor tells it: where it ended, which list or parent the package
// belongs to, and what the user can do about it.
#pragma once

#include "install/Installation.h"

#include <orvane/recovery/StartupRecovery.h>

#include <QJsonObject>

#include <ostream>
#include <string>

namespace kaldor {

// The load list whose entry brought a package of this kind up; empty for a package registered
// by another (its parent brought it) and for the platform's own.
std::string ListOf(const Installation& installation, orvane::recovery::PackageKind kind);

// "The last start-up ended inside `bin/KxApp/Solver.so`'s Init (External Register, <time>)", or,
// when no package call was open, that it did not finish and in which stage.
std::string InterruptionLine(const Installation& installation,
                             const orvane::recovery::LastStartup& last);

// What the user can do about the package the start-up ended inside.
std::string InterruptionAdvice(const Installation& installation,
                               const orvane::recovery::LastStartup& last);

// The package's details, one per line, indented.
void PrintInterruptedPackage(std::ostream& out, const Installation& installation,
                             const orvane::recovery::LastStartup& last);

QJsonObject LastStartupJson(const Installation& installation,
                            const orvane::recovery::LastStartup& last);

} // namespace kaldor
