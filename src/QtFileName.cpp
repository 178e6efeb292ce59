#include "QtFileName.h"

#include "Log.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace VELMORA::NEVRA::Platform {

bool QtFileName(const std::string& path, const char* what, QString& name) {
    const QByteArray bytes(path.data(), static_cast<int>(path.size()));
    QString decoded = QFile::decodeName(bytes);
    if (QFile::encodeName(decoded) != bytes) {
        KX_LOG_ERROR(std::string(what) + " not done, Qt cannot open the name: " + path);
        return false;
    }
    name = std::move(decoded);
    return true;
}

} // namespace VELMORA::NEVRA::Platform
