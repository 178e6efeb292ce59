#include "Log.h"

#include "FileSystem.h"

#include <KxLog/KxLog.h>

namespace VELMORA::NEVRA::Platform {

void WriteLog(LogLevel level, std::string_view source, int line, const std::string& message) {
    const std::string module = ModuleName();
    const std::string file(source);
    switch (level) {
    case LogLevel::Info:
        KxInfo(module.c_str(), file.c_str(), line, message.c_str());
        break;
    case LogLevel::Error:
        KxError(module.c_str(), file.c_str(), line, message.c_str());
        break;
    case LogLevel::Fatal:
        KxFatal(module.c_str(), file.c_str(), line, message.c_str());
        break;
    }
}

} // namespace VELMORA::NEVRA::Platform
