// The texts of the log records that kaldor reads back to time a start-up and explain its
// failures. The platform writes its records with these and kaldor matches with them, so the two
// cannot drift apart; hosts and scripts read the same texts, so each stays byte for byte as it
// is. Header-only, so that kaldor takes the texts without linking the platform it never loads.
#pragma once

#include <array>
#include <cstddef>

namespace VELMORA::NEVRA::Platform::RecordText {

// Two texts joined at compile time, so that a text made of pieces writes each piece once.
template <std::size_t First, std::size_t Second>
constexpr std::array<char, First + Second - 1> Join(const char (&first)[First],
                                                    const char (&second)[Second]) {
    std::array<char, First + Second - 1> joined{};
    for (std::size_t i = 0; i + 1 < First; ++i) {
        joined[i] = first[i];
    }
    for (std::size_t i = 0; i < Second; ++i) {
        joined[First - 1 + i] = second[i];
    }
    return joined;
}

// A stage is logged as its name and StageBegin when it starts, its name and StageEnd when it
// is left, however that happens.
inline constexpr char StageBegin[] = " Begin";
inline constexpr char StageEnd[] = " End";

inline constexpr char InitStage[] = "OrvaneInit";
inline constexpr char PreBuildStage[] = "PlatformPreBuild";
inline constexpr char BuildStage[] = "PlatformBuild";
inline constexpr char PostBuildStage[] = "PlatformPostBuild";
inline constexpr char ExitStage[] = "OrvaneExit";

// PlatformBuild registers the three load lists, each in a stage named after its registration.
inline constexpr char InternalPreRegistration[] = "InternalPre";
inline constexpr char ExternalRegistration[] = "External";
inline constexpr char InternalPostRegistration[] = "InternalPost";
inline constexpr char RegisterSuffix[] = " Register";
inline constexpr auto InternalPreStage = Join(InternalPreRegistration, RegisterSuffix);
inline constexpr auto ExternalStage = Join(ExternalRegistration, RegisterSuffix);
inline constexpr auto InternalPostStage = Join(InternalPostRegistration, RegisterSuffix);

// Why start-up failed, one record for each way.
inline constexpr char PreBuildFailed[] = "PreBuild Failed";
inline constexpr char BuildFailed[] = "PlatformBuild Failed";
inline constexpr char InternalPreFailed[] = "InternalPre Failed";
inline constexpr char ExternalFailed[] = "External Failed";
inline constexpr char InternalPostFailed[] = "InternalPost Failed";
inline constexpr char InitUnexpectedError[] = "OrvaneInit Unexpected Error";
inline constexpr char ExitUnexpectedError[] = "OrvaneExit Unexpected Error";
// ERROR records just before a failure record: what could not be done, with the file or folder
// and the system's reason.
inline constexpr char CannotCreateUserLibrary[] = "cannot create the user library folder: ";
inline constexpr char NoCustomLibrary[] = "cannot read the custom library folder ";
inline constexpr char CannotReadList[] = "cannot read the load list ";
inline constexpr char CannotRegister[] = "cannot register ";
// Followed by the text of the exception that stopped the registration of packages.
inline constexpr char LoadError[] = "load err:";

// A package's import: ImportBegin, a record that is the package's path alone, then the failure
// if there is one, then ImportEnd.
inline constexpr char ImportBegin[] = "App Init Begin";
inline constexpr char ImportEnd[] = "App Init End";
// A package's unregistration: UnregisterBegin, a record that is the package's path alone, then
// whatever its Exit unregistered, nested the same way, then UnregisterEnd.
inline constexpr char UnregisterBegin[] = "App Exit Begin";
inline constexpr char UnregisterEnd[] = "App Exit End";
// ERROR records of a package that failed: "<ImportFailed><path>" after a failed import, and
// "<EntryFailedPrefix><Init|Exit><EntryFailedSuffix><path>[: <what it threw>]" for an entry
// point that threw.
inline constexpr char ImportFailed[] = "App Import failed";
inline constexpr char EntryFailedPrefix[] = "App ";
inline constexpr char EntryFailedSuffix[] = " failed";

// "<text>, path=<path>": a package that could not be imported or registered.
inline constexpr char PathField[] = ", path=";
inline constexpr char AlreadyLoaded[] = "the dll has been loaded";
inline constexpr char NamesNoFile[] = "the dll path names no file";
inline constexpr char BeingRegistered[] = "the dll is being registered already";
inline constexpr char NoEntryPoints[] = "Could not get init/exit address";
inline constexpr char UnknownDependence[] = "the dll has unknown dependence";
inline constexpr auto AlreadyLoadedPath = Join(AlreadyLoaded, PathField);
inline constexpr auto NamesNoFilePath = Join(NamesNoFile, PathField);
inline constexpr auto BeingRegisteredPath = Join(BeingRegistered, PathField);
inline constexpr auto NoEntryPointsPath = Join(NoEntryPoints, PathField);
inline constexpr auto UnknownDependencePath = Join(UnknownDependence, PathField);
// The unknown dependence record goes on "(handle=0, error=<number>)" and, when the loader said
// why, ": <loader text>".
inline constexpr char DependenceError[] = "(handle=0, error=";
inline constexpr char SystemErrorEnd[] = ")";
inline constexpr char LoaderTextSeparator[] = ": ";

// The package's folder could not be put on the library search path before its import (the
// import's record) or while its dependencies were added (the environment's record).
inline constexpr char ImportPathFailed[] = "Init PATH environment failed";
inline constexpr char SearchPathFailed[] = "AddPathEnvironment";

// "init=<0 or 1> return=<result>" after a package's Init, whether it ran now or before.
inline constexpr char InitCalled[] = "init=";
inline constexpr char InitReturned[] = " return=";

// A library search directory of start-up that could not be added or removed, followed by the
// system error number and SystemErrorEnd.
inline constexpr char HostAddDirectoryFailed[] = "Kaldor: AddDllDirectory, ";
inline constexpr char PlatformAddDirectoryFailed[] = "Nevra: AddDllDirectory, ";
inline constexpr char HostRemoveDirectoryFailed[] = "Kaldor: RemoveDllDirectory, ";
inline constexpr char PlatformRemoveDirectoryFailed[] = "Nevra: RemoveDllDirectory, ";

} // namespace VELMORA::NEVRA::Platform::RecordText
