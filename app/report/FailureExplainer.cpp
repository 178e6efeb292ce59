#include "FailureExplainer.h"

#include "check/LibraryImage.h"
#include "check/LoaderMessage.h"
#include "check/UserFolderCheck.h"
#include "install/LoadLists.h"
#include "install/ResourceRoot.h"

#include <FilePath.h>
#include <FileSystem.h>
#include <Kaldor_Config/IUserFolderMgr.h>
#include <PackageEntryNames.h>
#include <RecordTexts.h>
#include <Sys.h>

#include <algorithm>
#include <optional>

namespace kaldor {

using orvane::recovery::PackageSpan;

namespace Platform = VELMORA::NEVRA::Platform;
namespace PackageEntry = Platform::PackageEntry;
namespace Sys = VELMORA::NEVRA::Platform::Sys;
namespace RecordText = VELMORA::NEVRA::Platform::RecordText;

namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::string After(const std::string& text, const std::string& prefix) {
    return text.substr(prefix.size());
}

// "<path>(handle=0, error=2): <loader text>" split into its path, error and loader text.
struct DependenceRecord {
    std::string path;
    std::string error;
    std::string loaderText;
};

DependenceRecord ParseDependenceRecord(const std::string& rest) {
    DependenceRecord record;
    const std::string open = RecordText::DependenceError;
    const std::string close = RecordText::SystemErrorEnd;
    const std::string separator = RecordText::LoaderTextSeparator;
    const auto openAt = rest.rfind(open);
    if (openAt == std::string::npos) {
        record.path = rest;
        return record;
    }
    record.path = rest.substr(0, openAt);
    const auto errorAt = openAt + open.size();
    const auto closeAt = rest.find(close, errorAt);
    if (closeAt == std::string::npos) {
        return record;
    }
    record.error = rest.substr(errorAt, closeAt - errorAt);
    if (rest.compare(closeAt + close.size(), separator.size(), separator) == 0) {
        record.loaderText = rest.substr(closeAt + close.size() + separator.size());
    }
    return record;
}

// The system error number of a search directory's record, "87" of
// "Kaldor: AddDllDirectory, 87)", when `message` is one with that `prefix`.
std::optional<std::string> ErrorNumber(const std::string& message, const std::string& prefix) {
    if (!StartsWith(message, prefix)) {
        return std::nullopt;
    }
    std::string number = After(message, prefix);
    const std::string end = RecordText::SystemErrorEnd;
    if (number.size() >= end.size() &&
        number.compare(number.size() - end.size(), end.size(), end) == 0) {
        number.resize(number.size() - end.size());
    }
    return number;
}

const LoadList* ListFor(const std::vector<LoadList>& lists, const std::string& registration) {
    for (const auto& list : lists) {
        if (registration == ListStageRegistration(list.stage)) {
            return &list;
        }
    }
    return nullptr;
}

// What an explanation has to go on: the installation and the user's folders, the rest of the
// record after the text it was recognised by, the start-up's timeline and the package an
// earlier fatal record refused.
struct Found {
    const Installation& installation;
    const std::string& userLibraryDir;
    const std::vector<std::string>& settingFolders;
    std::string rest;
    const StartupTimeline& timeline;
    const std::string& refused;
};

std::string PackageName(const Installation& installation, const std::string& path) {
    return "Package " + PackageStem(path) + " (" + installation.Display(path) + ")";
}

// The first of the setting folders that cannot be written, and why.
std::optional<std::string> SettingFolderProblem(const std::vector<std::string>& folders) {
    for (const auto& folder : folders) {
        if (auto problem = UserFolderProblem(folder)) {
            return problem;
        }
    }
    return std::nullopt;
}

// "A pre-load module of NevraPreLoad.xml", "An application of NevraPreLoadApp.xml", …
std::string ListEntryOf(const Installation& installation, ListStage stage) {
    const std::string kind = ListEntryKind(stage);
    const bool vowel = std::string("aeiou").find(kind.front()) != std::string::npos;
    return (vowel ? "An " : "A ") + kind + " of " +
           Platform::FilePath(ListFile(installation, stage)).FileName();
}

std::string ExplainPreBuild(const Found& found) {
    const Installation& installation = found.installation;
    if (!Platform::DirectoryExists(installation.CustomSeed())) {
        return "The installation has no Library/custom folder in its platform resource root (" +
               installation.Display(installation.CustomSeed()) +
               "/); start-up seeds the user's library folder from it. Restore that folder "
               "(an empty one will do).";
    }
    const auto problem = UserFolderProblem(found.userLibraryDir);
    return "The user's library folder " + found.userLibraryDir + " cannot be created" +
           (problem ? ": " + *problem : std::string()) + ". Point KALDOR_HOME (or KALDOR_FOLDER_" +
           std::to_string(UserFolderLibrary) + ") at a folder you can write to.";
}

std::string ExplainBuild(const Found&) {
    return "Start-up stopped while registering packages; the records above say which "
           "stage and which package.";
}

// A package of the stage's spans that failed, to blame for the stage's failure.
std::optional<std::string> FailedPackage(const Found& found, const std::string& prefix,
                                         const std::vector<const PackageSpan*>& spans) {
    const Installation& installation = found.installation;
    for (const PackageSpan* span : spans) {
        if (!span->importFailure.empty()) {
            return prefix + ": " + PackageName(installation, span->path) +
                   " failed to load, as the record above explains.";
        }
    }
    const std::string platformPath = installation.PlatformLibrary();
    for (const PackageSpan* span : spans) {
        if (span->path != platformPath && span->initResult && *span->initResult != 0) {
            return prefix + ": the Init of " + PackageName(installation, span->path) +
                   " returned " + std::to_string(*span->initResult) + " (\"" +
                   RecordText::InitCalled + "1" + RecordText::InitReturned +
                   std::to_string(*span->initResult) +
                   "\"); the package refused to start. Its documentation or its own messages "
                   "say why.";
        }
    }
    return std::nullopt;
}

// No record names the package: its registration failed before its library was loaded, which
// is the resource root. Blames the first listed library that left no record.
std::optional<std::string> UnrecordedPackage(const Found& found, ListStage stage,
                                             const std::string& prefix,
                                             const std::vector<const PackageSpan*>& spans) {
    const Installation& installation = found.installation;
    const std::string platformPath = installation.PlatformLibrary();
    const auto seen = [&](const std::string& path) {
        return std::any_of(spans.begin(), spans.end(),
                           [&](const PackageSpan* span) { return span->path == path; });
    };
    std::vector<std::string> candidates;
    if (stage != ListStage::Application) {
        candidates.push_back(platformPath);
    }
    const auto lists = ReadLoadLists(installation);
    if (const LoadList* loadList = ListFor(lists, ListStageRegistration(stage))) {
        for (const auto& entry : loadList->ActiveEntries()) {
            candidates.push_back(entry.path);
        }
    }
    for (const auto& path : candidates) {
        if (seen(path)) {
            continue;
        }
        const std::string root = ResolveResourceRoot(installation, path);
        const auto problems = ResourceRootProblems(root);
        const std::string who =
            path == platformPath
                ? "The platform's own registration failed"
                : prefix + ": " + PackageName(installation, path) + " was not registered";
        if (!problems.empty()) {
            return who + ": " + problems.front() + ".";
        }
        if (const auto problem = SettingFolderProblem(found.settingFolders)) {
            return who +
                   " before its library was loaded: its setting files could not be copied "
                   "into the user's folders: " +
                   *problem +
                   ". Free space there, or point KALDOR_HOME at a folder you can "
                   "write to.";
        }
        return who + " before its library was loaded: its resource root " +
               (root.empty() ? std::string("(none)") : root) +
               " could not be handed over to the host.";
    }
    return std::nullopt;
}

std::string ExplainStage(const Found& found, ListStage stage) {
    const std::string prefix = ListEntryOf(found.installation, stage) + " could not be registered";
    if (!found.refused.empty()) {
        return prefix + ": " + PackageName(found.installation, found.refused) +
               " was refused, as the record above explains.";
    }
    std::vector<const PackageSpan*> spans;
    for (const auto& span : found.timeline.Packages()) {
        if (span.stage == ListStageRegistration(stage)) {
            spans.push_back(&span);
        }
    }
    if (auto failed = FailedPackage(found, prefix, spans)) {
        return *failed;
    }
    if (auto unrecorded = UnrecordedPackage(found, stage, prefix, spans)) {
        return *unrecorded;
    }
    return prefix + "; the records above say which.";
}

template <ListStage stage> std::string ExplainStageOf(const Found& found) {
    return ExplainStage(found, stage);
}

std::string ExplainAlreadyLoaded(const Found& found) {
    return PackageName(found.installation, found.rest) +
           " was not loaded: a library of that path is already loaded in the process "
           "(listed in two load lists, or loaded by the host). List each library once.";
}

std::string ExplainNoFile(const Found& found) {
    return (found.rest.empty()
                ? std::string("A package was registered with an empty path")
                : "A package was registered with the path " + found.rest + ", which is a folder") +
           "; a package is one library file. Nothing was handed to the host.";
}

std::string ExplainBeingRegistered(const Found& found) {
    return PackageName(found.installation, found.rest) +
           " was registered again while its own registration was still running (a load "
           "list that names the platform itself, or a package that registers itself through "
           "its children). Remove that entry.";
}

std::string ExplainMissingEntryPoints(const Found& found) {
    const std::string& path = found.rest;
    const std::string stem = PackageStem(path);
    std::string text = PackageName(found.installation, path) + " cannot start: it must export " +
                       PackageEntry::InitName(stem) + " and " + PackageEntry::ExitName(stem) +
                       " (named after the file " + Platform::FilePath(path).FileName() + ")";
    // When the file cannot be read, the names the platform wanted are explanation enough.
    std::string error;
    if (const std::optional<LibraryImage> image = LibraryImage::Read(path, error)) {
        const auto present = EntryPointLikeExports(*image);
        for (std::size_t i = 0; i < present.size(); ++i) {
            text += (i == 0 ? ", but it exports " : ", ") + present[i];
        }
    }
    return text + ". Declare both with KX_PACKAGE_ENTRY, or rename the file to match them.";
}

std::string ExplainUnknownDependence(const Found& found) {
    const Installation& installation = found.installation;
    const DependenceRecord record = ParseDependenceRecord(found.rest);
    const std::string name = PackageName(installation, record.path);
    if (record.path.find('/') == std::string::npos &&
        Platform::TargetExists(installation.AppFile(record.path))) {
        return name +
               " cannot be loaded: the application list names it by an absolute path "
               "directly inside bin/KxApp/; the platform keeps only the file name and looks "
               "for it on " +
               std::string(Sys::SearchPathVariable()) +
               ", where no library loaded before it had put "
               "bin/KxApp/. Name it relatively (\"" +
               record.path + "\").";
    }
    if (record.loaderText.empty()) {
        return name + " cannot be loaded (system error " + record.error +
               "); one of its dependencies is probably missing.";
    }
    return name + " cannot be loaded: " +
           ExplainLoaderText(record.loaderText, record.path, "the package") + ".";
}

std::string ExplainSearchPath(const Found&) {
    return "The platform could not put the package's folder on " +
           std::string(Sys::SearchPathVariable()) +
           " before loading it; the environment may be too large.";
}

std::string ExplainLoadError(const Found& found) {
    return "An error interrupted the registration of packages: " + found.rest +
           ". Every package registered so far was unregistered again.";
}

std::string ExplainUnexpected(const Found& found) {
    auto problem = UserFolderProblem(found.userLibraryDir);
    if (!problem) {
        problem = SettingFolderProblem(found.settingFolders);
    }
    if (problem) {
        return "An unexpected error stopped start-up: in the user's folders, " + *problem +
               ". Free space there, or point KALDOR_HOME at a folder you can write to.";
    }
    return "An unexpected error stopped start-up, typically a file or folder that could not "
           "be read or written (the user's folders below KALDOR_HOME, or the installation's "
           "Library/custom seed). The records above say how far start-up got.";
}

std::string ExplainHostDirectory(const Found& found) {
    return "The host program's folder could not be made a library search directory "
           "(system error " +
           found.rest + "); start-up stopped before it began.";
}

std::string ExplainPlatformDirectory(const Found& found) {
    return "The platform library's folder could not be made a library search directory "
           "(system error " +
           found.rest + "); start-up stopped before it began.";
}

std::string ExplainRemovedDirectory(const Found& found) {
    return "A library search directory could not be removed after start-up (system "
           "error " +
           found.rest + "); this does not affect the packages.";
}

// How a pattern's text is found in a fatal record's message.
enum class Match {
    Whole,       // the whole message
    Prefix,      // its start; the rest is what the explanation reads
    ErrorNumber, // its start, followed by a system error number and the error's end
};

struct RecordPattern {
    Match match;
    const char* text;
    std::string (*explain)(const Found& found);
};

// In the order they are tried.
const RecordPattern Patterns[] = {
    {Match::Whole, RecordText::PreBuildFailed, ExplainPreBuild},
    {Match::Whole, RecordText::BuildFailed, ExplainBuild},
    {Match::Whole, RecordText::InternalPreFailed, ExplainStageOf<ListStage::PreLoad>},
    {Match::Whole, RecordText::ExternalFailed, ExplainStageOf<ListStage::Application>},
    {Match::Whole, RecordText::InternalPostFailed, ExplainStageOf<ListStage::PostLoad>},
    {Match::Prefix, RecordText::AlreadyLoadedPath.data(), ExplainAlreadyLoaded},
    {Match::Prefix, RecordText::NamesNoFilePath.data(), ExplainNoFile},
    {Match::Prefix, RecordText::BeingRegisteredPath.data(), ExplainBeingRegistered},
    {Match::Prefix, RecordText::NoEntryPointsPath.data(), ExplainMissingEntryPoints},
    {Match::Prefix, RecordText::UnknownDependencePath.data(), ExplainUnknownDependence},
    {Match::Whole, RecordText::ImportPathFailed, ExplainSearchPath},
    {Match::Whole, RecordText::SearchPathFailed, ExplainSearchPath},
    {Match::Prefix, RecordText::LoadError, ExplainLoadError},
    {Match::Whole, RecordText::InitUnexpectedError, ExplainUnexpected},
    {Match::ErrorNumber, RecordText::HostAddDirectoryFailed, ExplainHostDirectory},
    {Match::ErrorNumber, RecordText::PlatformAddDirectoryFailed, ExplainPlatformDirectory},
    {Match::ErrorNumber, RecordText::HostRemoveDirectoryFailed, ExplainRemovedDirectory},
    {Match::ErrorNumber, RecordText::PlatformRemoveDirectoryFailed, ExplainRemovedDirectory},
};

// What follows the pattern's text in `message`, when the message is one of the pattern's.
std::optional<std::string> Matches(const RecordPattern& pattern, const std::string& message) {
    switch (pattern.match) {
    case Match::Whole:
        return message == pattern.text ? std::optional<std::string>(std::string()) : std::nullopt;
    case Match::Prefix:
        return StartsWith(message, pattern.text)
                   ? std::optional<std::string>(After(message, pattern.text))
                   : std::nullopt;
    case Match::ErrorNumber:
        return ErrorNumber(message, pattern.text);
    }
    return std::nullopt;
}

} // namespace

FailureExplainer::FailureExplainer(const Installation& installation, std::string userLibraryDir,
                                   std::vector<std::string> settingFolders)
    : installation_(installation), userLibraryDir_(std::move(userLibraryDir)),
      settingFolders_(std::move(settingFolders)) {}

std::vector<Explanation> FailureExplainer::Explain(const std::vector<LogRecord>& records,
                                                   const StartupTimeline& timeline) const {
    std::vector<Explanation> explanations;
    // A registration refused before its library was imported leaves no import span, only its
    // own record; the stage's failure that follows is that refusal, not a resource root.
    std::string refused;
    for (const auto& record : records) {
        if (!record.IsFatal()) {
            continue;
        }
        explanations.push_back({record.message, ExplainRecord(record.message, timeline, refused)});
        refused.clear();
        for (const char* text :
             {RecordText::NamesNoFilePath.data(), RecordText::BeingRegisteredPath.data()}) {
            if (StartsWith(record.message, text)) {
                refused = After(record.message, text);
            }
        }
    }
    return explanations;
}

std::string FailureExplainer::ExplainRecord(const std::string& message,
                                            const StartupTimeline& timeline,
                                            const std::string& refused) const {
    for (const RecordPattern& pattern : Patterns) {
        if (auto rest = Matches(pattern, message)) {
            return pattern.explain({installation_, userLibraryDir_, settingFolders_,
                                    std::move(*rest), timeline, refused});
        }
    }
    return "See the log records around it.";
}

} // namespace kaldor
