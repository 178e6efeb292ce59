// The product's log library. One line per record in <dir>/KxLog.log between KxLogInit and
// KxLogExit, standard error outside that window. Safe to call at any moment, from any thread.
#pragma once

#include <HostCommon/HostExport.h>

extern "C" {
KX_HOST_API void KxLogSetOutputPath(const char* directory);
KX_HOST_API void KxLogInit(void);
KX_HOST_API void KxLogExit(void);
KX_HOST_API void KxInfo(const char* module, const char* source, int line, const char* message);
KX_HOST_API void KxError(const char* module, const char* source, int line, const char* message);
KX_HOST_API void KxFatal(const char* module, const char* source, int line, const char* message);
}
