#include "InstallCheck.h"

#include "LibraryImage.h"
#include "LibraryResolver.h"
#include "install/ResourceRoot.h"

#include <FilePath.h>
#include <FileSystem.h>
#include <HostLibraryNames.h>
#include <OrvaneExports.h>
#include <PackageEntryNames.h>
#include <RecordTexts.h>
#include <Sys.h>

#include <optional>

namespace kaldor {

namespace Platform = VELMORA::NEVRA::Platform;
namespace PackageEntry = Platform::PackageEntry;
namespace RecordText = VELMORA::NEVRA::Platform::RecordText;
namespace Sys = VELMORA::NEVRA::Platform::Sys;

namespace {

// The exports every host relies on, the ones the platform's build exports.
const std::vector<std::string>& PlatformExports() {
    static const std::vector<std::string> names(VELMORA::NEVRA::Platform::Export::All.begin(),
                                                VELMORA::NEVRA::Platform::Export::All.end());
    return names;
}

std::vector<std::string> PackageEntryPoints(const std::string& path) {
    const std::string stem = PackageStem(path);
    return {PackageEntry::InitName(stem), PackageEntry::ExitName(stem)};
}

std::string Join(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) {
        text += (text.empty() ? "" : ", ") + item;
    }
    return text;
}

// `path` in directory form, folded, to tell whether two spellings name one folder; a text that
// is no path at all stays as it is.
std::string DirectoryForm(const std::string& path) {
    try {
        return Platform::FilePath(path).ToDirectoryForm().Str();
    } catch (const Platform::FileSystemError&) {
        return path;
    }
}

// Whether the file is a shared library this program's machine can load; says why not.
bool ExamineKind(LibraryFinding& finding, const LibraryImage& image) {
    const LibraryImage::Fit fit = image.FitForThisProgram();
    if (fit == LibraryImage::Fit::OtherByteOrder) {
        finding.problems.push_back(finding.path +
                                   " was built for a machine of the other byte order");
        return false;
    }
    if (fit == LibraryImage::Fit::OtherMachine) {
        finding.problems.push_back(finding.path + " was built for another kind of machine");
        return false;
    }
    if (!image.IsLibrary()) {
        finding.problems.push_back(finding.path + " is not a shared library");
        return false;
    }
    return true;
}

// The entry points a host will look up, and the symbols that keep the library loaded for good.
void ExamineExports(LibraryFinding& finding, const LibraryImage& image) {
    for (const auto& name : finding.entryPoints) {
        if (!image.ExportsFunction(name)) {
            finding.missingEntryPoints.push_back(name);
        }
    }
    if (!finding.missingEntryPoints.empty()) {
        std::string problem = "it does not export " + Join(finding.missingEntryPoints);
        const auto similar = EntryPointLikeExports(image);
        if (!similar.empty()) {
            problem +=
                " (it exports " + Join(similar) + "; the entry points are named after the file)";
        }
        finding.problems.push_back(problem);
    }
    const auto& unique = image.UniqueSymbols();
    if (!unique.empty()) {
        finding.warnings.push_back(
            "it holds GNU-unique symbols (" + unique.front() +
            (unique.size() > 1 ? " and " + std::to_string(unique.size() - 1) + " more" : "") +
            "): the system never unloads it, so it cannot be registered again after it was "
            "unregistered; build it with -fno-gnu-unique");
    }
}

// The problems of one library file: presence, kind, the entry points a host will look up
// (none for a library that is not a package), its own dependencies.
void ExamineLibrary(LibraryFinding& finding, const std::vector<std::string>& entryPoints,
                    const LibraryResolver& resolver) {
    finding.entryPoints = entryPoints;
    finding.exists = Platform::RegularFileExists(finding.path);
    if (!finding.exists) {
        finding.problems.push_back(Platform::TargetExists(finding.path)
                                       ? finding.path + " is not a file"
                                       : "the library " + finding.path + " does not exist");
        return;
    }
    std::string unreadable;
    const std::optional<LibraryImage> image = LibraryImage::Read(finding.path, unreadable);
    if (!image) {
        finding.problems.push_back(unreadable);
        return;
    }
    if (!ExamineKind(finding, *image)) {
        return;
    }
    ExamineExports(finding, *image);
    for (const auto& needed : image->NeededNames()) {
        if (!resolver.Find(needed, finding.path, image->RunPath())) {
            finding.missingDependencies.push_back(needed);
        }
    }
    if (!finding.missingDependencies.empty()) {
        finding.problems.push_back(
            "its dependenc" + std::string(finding.missingDependencies.size() == 1 ? "y " : "ies ") +
            Join(finding.missingDependencies) +
            (finding.missingDependencies.size() == 1 ? " is" : " are") + " missing");
    }
}

// Whether bin/KxApp/ is on the library search path when the next library is loaded: the platform
// puts the folder of every library it loads there, and the program may have been started with it.
bool AppDirOnSearchPath(const Installation& installation, const CheckReport& report) {
    const std::string appDir = DirectoryForm(installation.AppDir());
    for (const auto& library : report.libraries) {
        if (library.exists && Platform::FilePath(library.path).GoUp().Str() == appDir) {
            return true;
        }
    }
    for (const auto& element : SearchPathDirectories()) {
        if (DirectoryForm(element) == appDir) {
            return true;
        }
    }
    return false;
}

void CheckPlatform(const Installation& installation, const LibraryResolver& resolver,
                   CheckReport& report) {
    LibraryFinding platform;
    platform.role = "platform";
    platform.path = installation.PlatformLibrary();
    ExamineLibrary(platform, PlatformExports(), resolver);
    // Registered by path twice, once per module list, with the platform's own resource root.
    platform.resourceRoot = ResolveResourceRoot(installation, platform.path);
    for (const auto& problem : ResourceRootProblems(platform.resourceRoot)) {
        platform.problems.push_back(problem + " (the platform's own root: start-up fails)");
    }
    report.libraries.push_back(platform);

    if (!Platform::TargetExists(installation.CustomSeed())) {
        report.problems.push_back("the platform's resource root has no Library/custom folder (" +
                                  installation.CustomSeed() +
                                  "), which seeds the user's library folder: start-up fails "
                                  "with \"" +
                                  RecordText::PreBuildFailed + "\"");
    }
    namespace HostLibraryName = VELMORA::NEVRA::Platform::HostLibraryName;
    const std::pair<const char*, const char*> reachedByName[] = {
        {HostLibraryName::Database, "database module registrations"},
        {HostLibraryName::Gui, "browser profiles"}};
    for (const auto& [stem, use] : reachedByName) {
        const std::string file = HostLibraryName::File(stem);
        if (!Platform::TargetExists(installation.BinFile(file))) {
            report.warnings.push_back("bin/" + file +
                                      " is missing: the platform reaches it by name at run time (" +
                                      use + " will fail)");
        }
    }
}

// One active entry of a list, examined as the platform will load it.
LibraryFinding ExamineEntry(const Installation& installation, const ListEntry& entry,
                            const std::string& role, const LibraryResolver& resolver,
                            const CheckReport& report) {
    LibraryFinding finding;
    finding.role = role;
    finding.listedAs = entry.text;
    finding.path = entry.path;
    // A bare name is an application given absolutely inside bin/KxApp/; the platform finds
    // it there through the search path.
    if (entry.bare) {
        finding.path = installation.AppFile(entry.path);
    }
    if (!entry.note.empty()) {
        finding.notes.push_back(entry.note);
    }
    ExamineLibrary(finding, PackageEntryPoints(entry.path), resolver);
    if (Platform::FilePath(entry.path).Str() == installation.PlatformLibrary()) {
        finding.problems.push_back("it is the platform itself, whose own registration is "
                                   "still running: start-up fails (\"" +
                                   std::string(RecordText::BeingRegistered) + "\")");
    }
    if (entry.bare && finding.exists && !AppDirOnSearchPath(installation, report)) {
        finding.problems.push_back("no library loaded before it puts bin/KxApp/ on " +
                                   std::string(Sys::SearchPathVariable()) +
                                   ", where the platform looks for the bare file name it keeps: "
                                   "name it relatively (\"" +
                                   entry.path + "\")");
    }
    finding.resourceRoot = ResolveResourceRoot(installation, entry.path);
    for (const auto& problem : ResourceRootProblems(finding.resourceRoot)) {
        finding.problems.push_back(problem);
    }
    return finding;
}

void CheckList(const Installation& installation, const LoadList& list,
               const LibraryResolver& resolver, CheckReport& report) {
    const std::string fileName = Platform::FilePath(list.file).FileName();
    const std::string role = ListStageName(list.stage);
    if (!list.present) {
        report.warnings.push_back(fileName + " does not exist: no " + role +
                                  " libraries are loaded");
        return;
    }
    if (!list.error.empty()) {
        report.problems.push_back(fileName + " cannot be read as XML (" + list.error +
                                  "): the platform reads it as an empty list and loads none of "
                                  "its " +
                                  role + " libraries");
        return;
    }
    if (!list.failure.empty()) {
        report.problems.push_back(fileName + " " + list.failure +
                                  ": the platform resolves every entry, switched off or not, "
                                  "before loading any, so start-up fails (\"" +
                                  std::string(RecordText::LoadError) +
                                  "…\") and every package is unregistered");
    }
    if (list.file == installation.PendingAppList()) {
        report.warnings.push_back(std::string(Layout::PendingAppList) + " replaces " +
                                  Layout::AppList +
                                  " at the next start-up; it was checked in its place");
    }
    for (const auto& ignored : list.ignored) {
        report.warnings.push_back(fileName + " " + ignored);
    }
    for (const auto& entry : list.entries) {
        if (entry.active) {
            report.libraries.push_back(ExamineEntry(installation, entry, role, resolver, report));
        } else {
            report.skipped.push_back({role, entry.text, entry.note});
        }
    }
}

// The platform refuses to load a library a second time, which is what a library listed in two
// lists (and so registered with two types) asks for. Within one list the second registration
// finds the first package alive and loads nothing.
void CheckListedTwice(CheckReport& report) {
    for (std::size_t later = 0; later < report.libraries.size(); ++later) {
        LibraryFinding& finding = report.libraries[later];
        for (std::size_t earlier = 0; earlier < later; ++earlier) {
            const LibraryFinding& first = report.libraries[earlier];
            if (first.path != finding.path || first.role == "platform") {
                continue;
            }
            if (first.role == finding.role) {
                finding.notes.push_back("listed twice in the " + finding.role +
                                        " list; the second entry loads nothing");
            } else {
                finding.problems.push_back("it is also listed as a " + first.role +
                                           " library; loading it a second time fails (\"" +
                                           RecordText::AlreadyLoaded + "\")");
            }
            break;
        }
    }
}

// Start-up copies a pending application list over the current one; a folder in the way takes
// the copy inside, and the application list then reads as empty.
void CheckPendingList(const Installation& installation, CheckReport& report) {
    if (Platform::TargetExists(installation.PendingAppList()) &&
        Platform::DirectoryExists(installation.AppList())) {
        report.problems.push_back("NevraPreLoadApp.xml is a folder: start-up moves "
                                  "NevraPreLoadApp.tmp.xml into it and then loads no application");
    }
}

} // namespace

bool CheckReport::Ok() const {
    return ProblemCount() == 0;
}

int CheckReport::ProblemCount() const {
    int count = static_cast<int>(problems.size());
    for (const auto& library : libraries) {
        count += static_cast<int>(library.problems.size());
    }
    return count;
}

CheckReport CheckInstallation(const Installation& installation) {
    CheckReport report;
    const LibraryResolver resolver({installation.Bin()});
    CheckPlatform(installation, resolver, report);
    for (const auto& list : ReadLoadLists(installation)) {
        CheckList(installation, list, resolver, report);
    }
    CheckListedTwice(report);
    CheckPendingList(installation, report);
    return report;
}

} // namespace kaldor
