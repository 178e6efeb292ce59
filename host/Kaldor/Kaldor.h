// The host application's C interface, plus the queries the host program uses to show state.
#pragma once

#include <HostCommon/HostExport.h>

extern "C" {
// Writes the host language name (KALDOR_LANGUAGE, default "English") into a 256-byte buffer.
KX_HOST_API int kdlLangGet(char* buffer);
// Appends a directory to the host's search path (no duplicates). 0 = accepted, 1 = refused.
// Refused: null or empty, or containing one of the `|`-separated texts of KALDOR_REFUSE_PATHS.
KX_HOST_API int kdlPathAdd(const char* path);
KX_HOST_API int kdlHelpDocLoad(const char* path);
KX_HOST_API int kdlMsgDisp(const char* text);

// Host-side queries; not part of what the platform calls.
KX_HOST_API int kdlPathCount(void);
KX_HOST_API const char* kdlPathAt(int index); // null when out of range; valid until kdlPathReset
KX_HOST_API void kdlPathReset(void);
// The last help context file, "" if none; valid until the next kdlHelpDocLoad.
KX_HOST_API const char* kdlHelpDocCurrent(void);
KX_HOST_API int kdlMsgCount(void);
KX_HOST_API const char* kdlMsgAt(int index); // null when out of range
}
