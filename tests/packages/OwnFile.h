// The file of the library that holds `address`, as the system's loader names it; one
// implementation file per system.
#pragma once

#include <string>

std::string OwnFile(const void* address);
