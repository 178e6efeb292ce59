#include "PendingAppList.h"

#include "LoadLists.h"

#include <tinyxml2.h>

#include <Sys.h>

#include <exception>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace kaldor {

namespace Sys = VELMORA::NEVRA::Platform::Sys;

namespace {

// A file named `path`, written whole or not at all: under a temporary name beside it, then
// renamed over it.
void WriteWhole(const fs::path& path, const std::string& content) {
    const std::string temporary = path.string() + ".writing";
    // What an interrupted earlier write left behind.
    Sys::DeleteFile(temporary);
    if (!Sys::WriteNewFile(temporary, content)) {
        throw PendingListError("cannot write " + temporary);
    }
    if (!Sys::RenameEntry(temporary, path.string(), true)) {
        const std::string reason = Sys::ErrorText(Sys::LastError());
        Sys::DeleteFile(temporary);
        throw PendingListError("cannot rename " + temporary + " to " + path.string() + ": " +
                               reason);
    }
}

// "NevraPreLoadApp.previous-<n>.xml" beside the list, the first number not yet taken, so that
// no earlier copy is lost.
fs::path FreeCopyName(const Installation& installation) {
    for (int number = 1;; ++number) {
        const fs::path candidate = installation.PlatformRoot() /
                                   ("NevraPreLoadApp.previous-" + std::to_string(number) + ".xml");
        std::error_code error;
        if (!fs::exists(candidate, error) && !error) {
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
    const fs::path pending = installation.PendingAppList();
    std::error_code error;
    const fs::path source = fs::exists(pending, error) ? pending : installation.AppList();
    result.source = source.string();
    result.pending = pending.string();

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

    const fs::path copy = FreeCopyName(installation);
    fs::copy_file(source, copy, fs::copy_options::none, error);
    if (error) {
        throw PendingListError("cannot copy " + result.source + " to " + copy.string() + ": " +
                               error.message() + "; nothing was changed");
    }
    result.previous = copy.string();
    // tinyxml2 keeps the declaration, comments, elements and attributes but not the layout
    // between elements: the entries come out one a line.
    tinyxml2::XMLPrinter printer;
    document.Print(&printer);
    try {
        WriteWhole(pending,
                   std::string(printer.CStr(), static_cast<std::size_t>(printer.CStrSize() - 1)));
    } catch (const PendingListError& failure) {
        fs::remove(copy, error);
        throw PendingListError(std::string(failure.what()) + "; nothing was changed");
    }
    return result;
}

} // namespace kaldor
