// What the tests of the host libraries share: real temporary folders.
#pragma once

#include "Scenario.h"
#include "TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace HostTest {

using TempDir = TestSupport::TempFolder;

} // namespace HostTest
