#include "InterruptedStartup.h"

#include "JsonOutput.h"
#include "install/LoadLists.h"

#include <FilePath.h>

#include <optional>

namespace kaldor {

namespace recovery = orvane::recovery;
using recovery::PackageKind;

namespace {

std::string Quoted(const Installation& installation, const std::string& path) {
    return "`" + installation.Display(path) + "`";
}

std::string ListName(const Installation& installation, PackageKind kind) {
    return VELMORA::NEVRA::Platform::FilePath(ListOf(installation, kind)).FileName();
}

} // namespace

std::string ListOf(const Installation& installation, PackageKind kind) {
    // The platform itself and the children of packages are in no list.
    std::optional<ListStage> stage;
    if (kind == PackageKind::PreLoadModule) {
        stage = ListStage::PreLoad;
    } else if (kind == PackageKind::PostLoadModule) {
        stage = ListStage::PostLoad;
    } else if (kind == PackageKind::Application) {
        stage = ListStage::Application;
    }
    return stage ? ListFile(installation, *stage) : std::string();
}

std::string InterruptionLine(const Installation& installation, const recovery::LastStartup& last) {
    if (const auto& package = last.Package()) {
        return "The last start-up ended inside " + Quoted(installation, package->path) + "'s " +
               recovery::PackageCallName(package->call) + " (" + last.Stage() + ", " +
               recovery::FormatLogTime(package->since) + ")";
    }
    return "The last start-up did not finish (" +
           (last.Stage().empty() ? std::string("no stage open") : last.Stage()) + ", began " +
           recovery::FormatLogTime(last.Began()) + ")";
}

std::string InterruptionAdvice(const Installation& installation,
                               const recovery::LastStartup& last) {
    const auto& package = last.Package();
    if (!package) {
        return "No package's call was open when it ended: the last records of the log show how "
               "far it got.";
    }
    const std::string name = Quoted(installation, package->path);
    switch (package->kind) {
    case PackageKind::Application:
        return "To start without it, run 'kaldor recover --disable': it switches " + name +
               " off in the pending application list, which replaces " +
               ListName(installation, PackageKind::Application) + " at the next start-up.";
    case PackageKind::PreLoadModule:
    case PackageKind::PostLoadModule:
        return name + " is a module of " + ListName(installation, package->kind) +
               ", which has no pending list: set qa=\"1\" on its entry there to leave it out.";
    case PackageKind::Child:
        return name + " is registered from inside the Init of " +
               Quoted(installation, package->parent) + ", which alone can leave it out: change " +
               "or switch off that package (" + recovery::PackageKindName(package->listedKind) +
               " " + Quoted(installation, package->listed) + ").";
    case PackageKind::Platform:
        break;
    }
    return "The platform's own package was reading its module list: check " +
           ListName(installation, PackageKind::PreLoadModule) + " and " +
           ListName(installation, PackageKind::PostLoadModule) + ".";
}

void PrintInterruptedPackage(std::ostream& out, const Installation& installation,
                             const recovery::LastStartup& last) {
    const auto& package = last.Package();
    if (!package) {
        return;
    }
    out << "  Package: " << package->path << "\n";
    out << "  Kind: " << recovery::PackageKindName(package->kind);
    const auto list = ListOf(installation, package->kind);
    if (!list.empty()) {
        out << " of " << installation.Display(list);
    }
    out << "\n";
    if (package->kind == PackageKind::Child) {
        out << "  Registered by: " << package->parent << "\n";
        out << "  Listed as: " << recovery::PackageKindName(package->listedKind) << " "
            << package->listed << "\n";
    }
    out << "  Running: " << recovery::PackageCallName(package->call) << " since "
        << recovery::FormatLogTime(package->since) << "\n";
}

QJsonObject LastStartupJson(const Installation& installation, const recovery::LastStartup& last) {
    QJsonObject document{{"found", last.Found()}, {"finished", last.Finished()}};
    if (!last.Found()) {
        return document;
    }
    document["began"] = Json(recovery::FormatLogTime(last.Began()));
    if (last.Finished()) {
        return document;
    }
    document["stage"] = Json(last.Stage());
    document["message"] = Json(InterruptionLine(installation, last));
    document["advice"] = Json(InterruptionAdvice(installation, last));
    if (const auto& package = last.Package()) {
        QJsonObject item{{"path", Json(package->path)},
                         {"kind", recovery::PackageKindName(package->kind)},
                         {"call", recovery::PackageCallName(package->call)},
                         {"since", Json(recovery::FormatLogTime(package->since))}};
        const auto list = ListOf(installation, package->kind);
        if (!list.empty()) {
            item["list"] = Json(list);
        }
        if (package->kind == PackageKind::Child) {
            item["parent"] = Json(package->parent);
            item["listed"] = Json(package->listed);
            item["listedKind"] = recovery::PackageKindName(package->listedKind);
        }
        document["package"] = item;
    }
    return document;
}

} // namespace kaldor
