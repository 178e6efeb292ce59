// The commands; each returns the program's exit code. They throw InstallationError and
// PlatformLoadError for an unusable installation, UsageError for a wrong argument.
#pragma once

#include "CommandLine.h"

namespace kaldor {

int RunCommand(const CommandLine& commandLine);
int CheckCommand(const CommandLine& commandLine);
int PathsCommand(const CommandLine& commandLine);
int ConflictsCommand(const CommandLine& commandLine);
int RecoverCommand(const CommandLine& commandLine);

} // namespace kaldor
