// Where the running program lies.
#pragma once

#include <filesystem>

namespace kaldor {

// The directory of the running executable; empty when the system cannot say.
std::filesystem::path ProgramDirectory();

} // namespace kaldor
