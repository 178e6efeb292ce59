#include "FailureExplainer.h"

#include "LibraryImage.h"
#include "LoadLists.h"
#include "LoaderMessage.h"
#include "ResourceRoot.h"
#include "UserFolderCheck.h"

#include <PackageEntryNames.h>
#include <RecordTexts.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

namespace fs = std::filesystem;

namespace kaldor {

using orvane::recovery::PackageSpan;

namespace PackageEntry = VELMORA::NEVRA::Platform::PackageEntry;
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

} // namespace

FailureExplainer::FailureExplainer(const Installation& installation, std::string userLibraryDir,
                                   std::vector<std::string> settingFolders)
    : installation_(installation), userLibraryDir_(std::move(userLibraryDir)),
      settingFolders_(std::move(settingFolders)) {}

std::optional<std::string> FailureExplainer::SettingFolderProblem() const {
    for (const auto& folder : settingFolders_) {
        if (auto problem = UserFolderProblem(folder)) {
            return problem;
        }
    }
    return std::nullopt;
}

std::string FailureExplainer::PackageName(const std::string& path) const {
    return "Package " + fs::path(path).stem().string() + " (" + installation_.Display(path) + ")";
}

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
    if (message == RecordText::PreBuildFailed) {
        std::error_code error;
        if (!fs::is_directory(installation_.CustomSeed(), error)) {
            return "The installation has no Library/custom folder in its platform resource root (" +
                   installation_.Display(installation_.CustomSeed().string()) +
                   "/); start-up seeds the user's library folder from it. Restore that folder "
                   "(an empty one will do).";
        }
        const auto problem = UserFolderProblem(userLibraryDir_);
        return "The user's library folder " + userLibraryDir_ + " cannot be created" +
               (problem ? ": " + *problem : std::string()) +
               ". Point KALDOR_HOME (or KALDOR_FOLDER_5) at a folder you can write to.";
    }
    if (message == RecordText::BuildFailed) {
        return "Start-up stopped while registering packages; the records above say which "
               "stage and which package.";
    }
    if (message == RecordText::InternalPreFailed) {
        return ExplainStage(RecordText::InternalPreRegistration,
                            "A pre-load module of NevraPreLoad.xml", timeline, refused);
    }
    if (message == RecordText::ExternalFailed) {
        return ExplainStage(RecordText::ExternalRegistration,
                            "An application of NevraPreLoadApp.xml", timeline, refused);
    }
    if (message == RecordText::InternalPostFailed) {
        return ExplainStage(RecordText::InternalPostRegistration,
                            "A post-load module of NevraPostLoad.xml", timeline, refused);
    }
    const std::string loaded = RecordText::AlreadyLoadedPath.data();
    if (StartsWith(message, loaded)) {
        const std::string path = After(message, loaded);
        return PackageName(path) +
               " was not loaded: a library of that path is already loaded in the process "
               "(listed in two load lists, or loaded by the host). List each library once.";
    }
    const std::string noFile = RecordText::NamesNoFilePath.data();
    if (StartsWith(message, noFile)) {
        const std::string path = After(message, noFile);
        return (path.empty()
                    ? std::string("A package was registered with an empty path")
                    : "A package was registered with the path " + path + ", which is a folder") +
               "; a package is one library file. Nothing was handed to the host.";
    }
    const std::string registering = RecordText::BeingRegisteredPath.data();
    if (StartsWith(message, registering)) {
        return PackageName(After(message, registering)) +
               " was registered again while its own registration was still running (a load "
               "list that names the platform itself, or a package that registers itself through "
               "its children). Remove that entry.";
    }
    const std::string noEntry = RecordText::NoEntryPointsPath.data();
    if (StartsWith(message, noEntry)) {
        return ExplainMissingEntryPoints(After(message, noEntry));
    }
    const std::string dependence = RecordText::UnknownDependencePath.data();
    if (StartsWith(message, dependence)) {
        const DependenceRecord record = ParseDependenceRecord(After(message, dependence));
        std::error_code error;
        if (record.path.find('/') == std::string::npos &&
            fs::exists(installation_.AppDir() / record.path, error)) {
            return PackageName(record.path) +
                   " cannot be loaded: the application list names it by an absolute path "
                   "directly inside bin/KxApp/; the platform keeps only the file name and looks "
                   "for it on LD_LIBRARY_PATH, where no library loaded before it had put "
                   "bin/KxApp/. Name it relatively (\"" +
                   record.path + "\").";
        }
        if (record.loaderText.empty()) {
            return PackageName(record.path) + " cannot be loaded (system error " + record.error +
                   "); one of its dependencies is probably missing.";
        }
        return PackageName(record.path) + " cannot be loaded: " +
               ExplainLoaderText(record.loaderText, record.path, "the package") + ".";
    }
    if (message == RecordText::ImportPathFailed || message == RecordText::SearchPathFailed) {
        return "The platform could not put the package's folder on LD_LIBRARY_PATH before "
               "loading it; the environment may be too large.";
    }
    const std::string loadError = RecordText::LoadError;
    if (StartsWith(message, loadError)) {
        return "An error interrupted the registration of packages: " + After(message, loadError) +
               ". Every package registered so far was unregistered again.";
    }
    if (message == RecordText::InitUnexpectedError) {
        auto problem = UserFolderProblem(userLibraryDir_);
        if (!problem) {
            problem = SettingFolderProblem();
        }
        if (problem) {
            return "An unexpected error stopped start-up: in the user's folders, " + *problem +
                   ". Free space there, or point KALDOR_HOME at a folder you can write to.";
        }
        return "An unexpected error stopped start-up, typically a file or folder that could not "
               "be read or written (the user's folders below KALDOR_HOME, or the installation's "
               "Library/custom seed). The records above say how far start-up got.";
    }
    if (const auto number = ErrorNumber(message, RecordText::HostAddDirectoryFailed)) {
        return "The host program's folder could not be made a library search directory "
               "(system error " +
               *number + "); start-up stopped before it began.";
    }
    if (const auto number = ErrorNumber(message, RecordText::PlatformAddDirectoryFailed)) {
        return "The platform library's folder could not be made a library search directory "
               "(system error " +
               *number + "); start-up stopped before it began.";
    }
    for (const char* prefix :
         {RecordText::HostRemoveDirectoryFailed, RecordText::PlatformRemoveDirectoryFailed}) {
        if (const auto number = ErrorNumber(message, prefix)) {
            return "A library search directory could not be removed after start-up (system "
                   "error " +
                   *number + "); this does not affect the packages.";
        }
    }
    return "See the log records around it.";
}

std::string FailureExplainer::ExplainStage(const std::string& registration, const std::string& list,
                                           const StartupTimeline& timeline,
                                           const std::string& refused) const {
    const std::string prefix = list + " could not be registered";
    if (!refused.empty()) {
        return prefix + ": " + PackageName(refused) + " was refused, as the record above explains.";
    }
    const std::string platformPath = installation_.PlatformLibrary().string();
    std::vector<const PackageSpan*> spans;
    for (const auto& span : timeline.Packages()) {
        if (span.stage == registration) {
            spans.push_back(&span);
        }
    }
    for (const PackageSpan* span : spans) {
        if (!span->importFailure.empty()) {
            return prefix + ": " + PackageName(span->path) +
                   " failed to load, as the record above explains.";
        }
    }
    for (const PackageSpan* span : spans) {
        if (span->path != platformPath && span->initResult && *span->initResult != 0) {
            return prefix + ": the Init of " + PackageName(span->path) + " returned " +
                   std::to_string(*span->initResult) + " (\"" + RecordText::InitCalled + "1" +
                   RecordText::InitReturned + std::to_string(*span->initResult) +
                   "\"); the package refused to start. Its documentation or its own messages "
                   "say why.";
        }
    }

    // No record names the package: its registration failed before its library was loaded,
    // which is the resource root. Find the first listed library that left no record.
    const auto seen = [&](const std::string& path) {
        return std::any_of(spans.begin(), spans.end(),
                           [&](const PackageSpan* span) { return span->path == path; });
    };
    std::vector<std::string> candidates;
    if (registration != RecordText::ExternalRegistration) {
        candidates.push_back(platformPath);
    }
    const auto lists = ReadLoadLists(installation_);
    if (const LoadList* loadList = ListFor(lists, registration)) {
        for (const auto& entry : loadList->ActiveEntries()) {
            candidates.push_back(entry.path);
        }
    }
    for (const auto& path : candidates) {
        if (seen(path)) {
            continue;
        }
        const std::string root = ResolveResourceRoot(installation_, path);
        const auto problems = ResourceRootProblems(root);
        const std::string who = path == platformPath
                                    ? "The platform's own registration failed"
                                    : prefix + ": " + PackageName(path) + " was not registered";
        if (!problems.empty()) {
            return who + ": " + problems.front() + ".";
        }
        if (const auto problem = SettingFolderProblem()) {
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
    return prefix + "; the records above say which.";
}

std::string FailureExplainer::ExplainMissingEntryPoints(const std::string& path) const {
    const std::string stem = fs::path(path).stem().string();
    std::string text = PackageName(path) + " cannot start: it must export " +
                       PackageEntry::InitName(stem) + " and " + PackageEntry::ExitName(stem) +
                       " (named after the file " + fs::path(path).filename().string() + ")";
    // When the file cannot be read, the names the platform wanted are explanation enough.
    std::string error;
    if (const std::optional<ElfImage> image = ReadLibraryImage(path, error)) {
        const auto present = EntryPointLikeExports(*image);
        for (std::size_t i = 0; i < present.size(); ++i) {
            text += (i == 0 ? ", but it exports " : ", ") + present[i];
        }
    }
    return text + ". Declare both with KX_PACKAGE_ENTRY, or rename the file to match them.";
}

} // namespace kaldor
