#include "PendingAppList.h"

#include "LoadLists.h"

#include <tinyxml2.h>

#include <FileSystem.h>
#include <Sys.h>

#include <exception>
#include <string>

namespace kaldor {

namespace Platform = VELMORA::NEVRA::Platform;
namespace Sys = Platform::Sys;

namespace {

// A file named `path`, written whole or not at all: under a temporary name beside it, then
// renamed over it.
void WriteWhole(const std::string& path, const std::string& content) {
    const std::string temporary = path + ".writing";
    // What an interrupted earlier write left behind.
    Sys::DeleteFile(temporary);
    if (!Sys::WriteNewFile(temporary, content)) {
        throw PendingListError("cannot write " + temporary);
    }
    if (!Sys::RenameEntry(temporary, path, true)) {
        const std::string reason = Sys::ErrorText(Sys::LastError());
        Sys::DeleteFile(temporary);
        throw PendingListError("cannot rename " + temporary + " to " + path + ": " + reason);
    }
}

// "NevraPreLoadApp.previous-<n>.xml" beside the list, the first number not yet taken, so that
// no earlier copy is lost.
std::string FreeCopyName(const Installation& installation) {
    for (int number = 1;; ++number) {
        const std::string candidate = installation.PlatformRoot() + Sys::NativeSeparator() +
                                      "NevraPreLoadApp.previous-" + std::to_string(number) + ".xml";
        if (Sys::EntryMissing(candidate)) {
            return candidate;
        }
    }
}

bool NamesPath(const Installation& installation, const char* text, const std::string& path) {
    try {
        std::string note;
        bool bare = false;
        return ResolveAppPath(installation, text, note, bare) == path;
    } catch (const std::exception&) {
        return false; // a path the platform cannot resolve names no package
    }
}

} // namespace

SwitchedOff SwitchOffApplication(const Installation& installation, const std::string& path) {
    SwitchedOff result;
    const std::string pending = installation.PendingAppList();
    result.source = Platform::TargetExists(pending) ? pending : installation.AppList();
    result.pending = pending;

    // Read as the platform reads the lists: entities processed, whitespace kept.
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    if (document.LoadFile(result.source.c_str()) != tinyxml2::XML_SUCCESS) {
        throw PendingListError("cannot read " + result.source + " (" + document.ErrorStr() +
                               "); nothing was changed");
    }
    tinyxml2::XMLElement* root = document.FirstChildElement();
    for (auto* app = root != nullptr ? root->FirstChildElement("App") : nullptr; app != nullptr;
         app = app->NextSiblingElement("App")) {
        const char* text = app->Attribute("path");
        if (text != nullptr && app->Attribute("load") != nullptr &&
            NamesPath(installation, text, path)) {
            app->SetAttribute("load", "0");
            ++result.entries;
        }
    }
    if (result.entries == 0) {
        throw PendingListError("no entry of " + result.source + " names " + path +
                               "; nothing was changed");
    }

    const std::string copy = FreeCopyName(installation);
    if (!Sys::CopyFile(result.source, copy)) {
        throw PendingListError("cannot copy " + result.source + " to " + copy + ": " +
                               Sys::ErrorText(Sys::LastError()) + "; nothing was changed");
    }
    result.previous = copy;
    // tinyxml2 keeps the declaration, comments, elements and attributes but not the layout
    // between elements: the entries come out one a line.
    tinyxml2::XMLPrinter printer;
    document.Print(&printer);
    try {
        WriteWhole(pending,
                   std::string(printer.CStr(), static_cast<std::size_t>(printer.CStrSize() - 1)));
    } catch (const PendingListError& failure) {
        Sys::DeleteFile(copy);
        throw PendingListError(std::string(failure.what()) + "; nothing was changed");
    }
    return result;
}

} // namespace kaldor
