// The product's log library. One line per record in <dir>/KxLog.log between KxLogInit and
// KxLogExit. Records made before the first KxLogInit (while the platform loads) are kept and
// written to the file once it opens, or to standard error when it cannot open or never does;
// records after KxLogExit go to standard error. Safe to call at any moment, from any thread.
#pragma once

#include <HostCommon/HostExport.h>

extern "C" {
KX_HOST_API void KxLogSetOutputPath(const char* directory);
KX_HOST_API void KxLogInit(void);
KX_HOST_API void KxLogExit(void);
KX_HOST_API void KxInfo(const char* module, const char* source, int line, const char* message);
KX_HOST_API void KxError(const char* module, const char* source, int line, const char* message);
KX_HOST_API void KxFatal(const char* module, const char* source, int line, const char* message);

// A host's own view of the records its process writes, whatever other processes write into the
// same file: `tap` receives every record's line (newline included) as it is made, in order,
// while the log's lock is held, so it must not call the log itself. A null tap ends it.
typedef void (*KxLogTap)(const char* line, void* context);
KX_HOST_API void KxLogSetTap(KxLogTap tap, void* context);
}

// The log's file in the folder given to KxLogSetOutputPath.
inline constexpr char KxLogFileName[] = "KxLog.log";
