#include "XnUi.h"

#include <HostCommon/HostTrace.h>

#include <QByteArray>
#include <QResource>

#include <mutex>
#include <utility>

namespace XnUi {

namespace {

// Built at library load, before any library that uses it, and destroyed after them.
struct UiState {
    // Qt holds a registered package until it is unregistered, whoever registered it; what this
    // library registered goes with it, or Qt's list would outlive the library's records of it.
    // Runs at unload, where nothing may escape: a list iterated as const is not copied, and a
    // package Qt cannot take back for want of memory stays with Qt until the process ends.
    ~UiState() {
        for (const QString& path : std::as_const(registeredRccs)) {
            try {
                QResource::unregisterResource(path);
            } catch (...) {
            }
        }
    }

    std::mutex lock;
    QStringList searchPath;
    QStringList registeredRccs;
};

UiState ui;

} // namespace

int RegisterRcc(const QString& path) {
    const int result = QResource::registerResource(path) ? 1 : 0;
    if (result == 1) {
        const std::lock_guard<std::mutex> guard(ui.lock);
        ui.registeredRccs.append(path);
    }
    const QByteArray text = path.toLocal8Bit();
    HostCommon::Trace("RegisterRcc", {text.constData(), result == 1 ? "1" : "0"});
    return result;
}

void AddPath(const QString& path) {
    {
        const std::lock_guard<std::mutex> guard(ui.lock);
        if (!ui.searchPath.contains(path)) {
            ui.searchPath.append(path);
        }
    }
    const QByteArray text = path.toLocal8Bit();
    HostCommon::Trace("AddPath", {text.constData()});
}

QStringList SearchPath() {
    const std::lock_guard<std::mutex> guard(ui.lock);
    return ui.searchPath;
}

QStringList RegisteredRccs() {
    const std::lock_guard<std::mutex> guard(ui.lock);
    return ui.registeredRccs;
}

} // namespace XnUi
