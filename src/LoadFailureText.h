// A failed library load in words, for the record that names it: the loader's own text, and what
// the layer found out beside it in the loader's manner.
#pragma once

#include "Sys.h"

#include <string>

namespace VELMORA::NEVRA::Platform {

std::string LoadFailureText(const Sys::LoadFailure& failure);

} // namespace VELMORA::NEVRA::Platform
