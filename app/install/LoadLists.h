// The installation's load lists as the platform will read them at the next start-up, with
// what the platform passes over in silence made visible: a malformed file (read as an empty
// list), entries without their attributes (skipped), switched-off entries.
#pragma once

#include "Installation.h"

#include <string>
#include <vector>

namespace kaldor {

enum class ListStage { PreLoad, Application, PostLoad };

// "pre-load", "application", "post-load".
const char* ListStageName(ListStage stage);
// What one entry names: "pre-load module", "application", "post-load module".
std::string ListEntryKind(ListStage stage);
// The list file the platform reads for the stage.
std::string ListFile(const Installation& installation, ListStage stage);
// The Build stage that registers the entries: "InternalPre", "External", "InternalPost".
const char* ListStageRegistration(ListStage stage);

struct ListEntry {
    std::string text;   // the name or path attribute as written
    std::string path;   // the library the platform will load for it
    bool active = true; // false for qa="1" modules and load!="1" applications
    int line = 0;       // line in the list file
    std::string note;   // what the platform does with the entry that the user may not expect
    bool bare = false;  // only the file name is kept: found through the search path
};

struct LoadList {
    ListStage stage = ListStage::PreLoad;
    std::string file;     // the file read
    bool present = false; // a missing file is an empty list
    std::string error;    // not a file or not well-formed: why; the list reads as empty
    std::vector<ListEntry> entries;
    std::vector<std::string> ignored; // entries the platform skips, described
    // An entry the platform cannot resolve, switched on or off: start-up fails as a whole.
    std::string failure;

    std::vector<ListEntry> ActiveEntries() const;
};

// The three lists in start-up order. The application list is the pending one when it exists,
// since start-up promotes it first.
std::vector<LoadList> ReadLoadLists(const Installation& installation);

// Where the platform looks for an application named `text` in the application list, by the
// platform's own rule: relative to bin/KxApp/, or as given. A path directly inside bin/KxApp/
// given absolutely is shortened to its bare file name (`bare`; the platform then finds it on
// the search path as it stands at that moment); `note` then says so. Throws what the platform
// throws for a path it cannot resolve.
std::string ResolveAppPath(const Installation& installation, const std::string& text,
                           std::string& note, bool& bare);

} // namespace kaldor
