// The product's GUI library: the simulation browser profile.
#pragma once

#include <HostCommon/HostExport.h>

extern "C" {
// Reads the profile file; 0 when it was read, 1 when it could not be.
KX_HOST_API int KxLoadSimBrowserProfile(const char* path);
// The last profile read, "" if none.
KX_HOST_API const char* KxGuiCurrentProfile(void);
}
