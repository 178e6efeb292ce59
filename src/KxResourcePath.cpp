#include "KxResourcePath.h"

#include "FilePath.h"
#include "FileSystem.h"
#include "HostSearchDirectories.h"
#include "QtFileName.h"
#include "ResourceKind.h"

#include <Kaldor/Kaldor.h>
#include <UserInterface/XnUi.h>

#include <QDir>
#include <QFileInfo>
#include <QObject>
#include <QString>
#include <QStringList>

using VELMORA::NEVRA::Platform::DirIterator;
using VELMORA::NEVRA::Platform::FilePath;
using VELMORA::NEVRA::Platform::IsRegularFile;
using VELMORA::NEVRA::Platform::QtFileName;
using VELMORA::NEVRA::Platform::ResourceKind;
using VELMORA::NEVRA::Platform::RootSearchDirectories;

namespace {

// "hrc" in any case, as the name filter below takes it.
bool IsRccName(const std::string& extension) {
    return QString::fromLatin1(extension.data(), static_cast<int>(extension.size()))
               .compare(QLatin1String("hrc"), Qt::CaseInsensitive) == 0;
}

bool HostAccepts(const std::string& dir) {
    return kdlPathAdd(dir.c_str()) == 0;
}

} // namespace

KxResourcePath::KxResourcePath(const std::string& root)
    : root_(FilePath(root).ToDirectoryForm().Str()) {}

std::int32_t KxResourcePath::Load() {
    if (root_.empty()) {
        return 0;
    }
    // The first refusal ends the load; what the host already accepted stays with it.
    for (const auto& dir : RootSearchDirectories(root_)) {
        if (!HostAccepts(dir.path)) {
            return -1;
        }
        if (dir.kind == ResourceKind::Qrc) {
            RegisterRccFiles(dir.path);
        }
    }
    return 0;
}

void RegisterRccFiles(const std::string& dir) {
    QString name;
    if (!QtFileName(dir, "registering compiled resources", name)) {
        return;
    }
    QString abs = QFileInfo(name).absoluteFilePath();
    QDir qdir(abs);
    if (!qdir.exists()) {
        return;
    }
    if (!abs.endsWith(QLatin1Char('/'))) {
        abs += QLatin1Char('/');
    }
    // No CaseSensitive flag: "B.HRC" is as much a resource package as "a.hrc".
    qdir.setFilter(QDir::Files | QDir::NoSymLinks);
    qdir.setNameFilters(QStringList(QObject::tr("*.hrc")));
    // Collected first, so that registering cannot disturb the listing being walked.
    QStringList files;
    for (int i = 0; i < static_cast<int>(qdir.count()); ++i) {
        files.append(abs + qdir[i]);
    }
    // Qt lists a file whose name it cannot give back under another name, which it then cannot
    // open: such a file is named in the log instead.
    for (DirIterator it(dir), end; it != end; ++it) {
        QString unused;
        if (IsRccName(it.Path().Extension()) && IsRegularFile(*it)) {
            QtFileName(*it, "registering a compiled resource", unused);
        }
    }
    for (const QString& file : files) {
        // A file the user-interface library rejects is its own affair; the rest still count.
        XnUi::RegisterRcc(file);
    }
}
