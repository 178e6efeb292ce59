// Where the running program lies.
#pragma once

#include <string>

namespace kaldor {

// The directory of the running executable; empty when the system cannot say.
std::string ProgramDirectory();

} // namespace kaldor
