#include "LoadLists.h"

#include <RecordTexts.h>

#include <FilePath.h>
#include <FileSystem.h>
#include <LoadListFile.h>
#include <Sys.h>

#include <algorithm>
#include <iterator>

namespace kaldor {

namespace Platform = VELMORA::NEVRA::Platform;
namespace RecordText = Platform::RecordText;

namespace {

// What each list stage is called, which Build stage registers its entries and which file lists
// them.
struct ListStageRow {
    ListStage stage;
    const char* name;
    const char* registration;
    std::string (Installation::*file)() const;
};

constexpr ListStageRow ListStages[] = {
    {ListStage::PreLoad, "pre-load", RecordText::InternalPreRegistration,
     &Installation::PreLoadList},
    {ListStage::Application, "application", RecordText::ExternalRegistration,
     &Installation::AppList},
    {ListStage::PostLoad, "post-load", RecordText::InternalPostRegistration,
     &Installation::PostLoadList},
};

const ListStageRow& StageRow(ListStage stage) {
    return *std::find_if(std::begin(ListStages), std::end(ListStages),
                         [stage](const ListStageRow& row) { return row.stage == stage; });
}

// Fills in whether `list.file` exists and why the platform's reading of it named nothing.
void TakeReading(const Platform::XmlFileReading& reading, LoadList& list) {
    list.present = Platform::TargetExists(list.file);
    if (!list.present) {
        return;
    }
    switch (reading.state) {
    case Platform::XmlFileState::Read:
        return;
    case Platform::XmlFileState::Unreadable:
        list.error = Platform::RegularFileExists(list.file) ? reading.error : "not a file";
        return;
    case Platform::XmlFileState::Malformed:
        list.error = reading.error + " at line " + std::to_string(reading.errorLine);
        return;
    case Platform::XmlFileState::NoRoot:
        list.error = "has no root element";
        return;
    }
}

void TakePassedOver(const Platform::LoadListFile& file, const char* element, LoadList& list) {
    for (const auto& skipped : file.PassedOver()) {
        list.ignored.push_back("line " + std::to_string(skipped.line) + ": <" + element +
                               "> without a " + skipped.missingAttribute + " attribute is skipped");
    }
}

LoadList ReadModuleList(const Installation& installation, ListStage stage,
                        const std::string& file) {
    LoadList list;
    list.stage = stage;
    list.file = file;
    const auto read = Platform::LoadListFile::ReadModules(list.file);
    TakeReading(read.Reading(), list);
    TakePassedOver(read, "module", list);
    for (const auto& module : read.Entries()) {
        ListEntry entry;
        entry.text = module.first;
        entry.active = !Platform::IsQaModule(module);
        entry.line = module.line;
        if (!entry.active) {
            entry.note = "qa=\"1\": not loaded";
        }
        // The module directory is absolute, so no name can make a malformed drive form.
        entry.path = Platform::RegisteredModulePath(installation.Bin() + "/", module.first);
        list.entries.push_back(entry);
    }
    return list;
}

LoadList ReadAppList(const Installation& installation, const std::string& file) {
    LoadList list;
    list.stage = ListStage::Application;
    list.file = file;
    const auto read = Platform::LoadListFile::ReadApps(list.file);
    TakeReading(read.Reading(), list);
    TakePassedOver(read, "App", list);
    for (const auto& app : read.Entries()) {
        ListEntry entry;
        entry.text = app.first;
        entry.active = Platform::IsEnabledApp(app);
        entry.line = app.line;
        try {
            entry.path = ResolveAppPath(installation, app.first, entry.note, entry.bare);
        } catch (const std::exception& error) {
            // The platform resolves every entry, switched off or not, before it loads any: one
            // it cannot resolve fails the whole start-up.
            if (list.failure.empty()) {
                list.failure =
                    "line " + std::to_string(app.line) + " (" + app.first + "): " + error.what();
            }
            entry.active = false;
        }
        if (!Platform::IsEnabledApp(app)) {
            entry.note = "load=\"" + app.second + "\": switched off";
        }
        list.entries.push_back(entry);
    }
    return list;
}

} // namespace

const char* ListStageName(ListStage stage) {
    return StageRow(stage).name;
}

std::string ListEntryKind(ListStage stage) {
    // Applications are listed by their paths, modules by their names.
    const std::string name = ListStageName(stage);
    return stage == ListStage::Application ? name : name + " module";
}

std::string ListFile(const Installation& installation, ListStage stage) {
    return (installation.*StageRow(stage).file)();
}

const char* ListStageRegistration(ListStage stage) {
    return StageRow(stage).registration;
}

std::vector<ListEntry> LoadList::ActiveEntries() const {
    std::vector<ListEntry> active;
    std::copy_if(entries.begin(), entries.end(), std::back_inserter(active),
                 [](const ListEntry& entry) { return entry.active; });
    return active;
}

std::string ResolveAppPath(const Installation& installation, const std::string& text,
                           std::string& note, bool& bare) {
    const auto resolved = Platform::ResolveAppPath(
        text, Platform::FilePath(installation.AppDir()).ToDirectoryForm().Str());
    bare = resolved.form == Platform::AppPathForm::FileNameOnly;
    switch (resolved.form) {
    case Platform::AppPathForm::NoFileName:
        note = "names no file";
        break;
    case Platform::AppPathForm::FileNameOnly:
        note = "given absolutely inside bin/KxApp/: the platform keeps only the file name "
               "and looks for it on " +
               std::string(Platform::Sys::SearchPathVariable()) +
               ", which holds bin/KxApp/ once a library from there was loaded; naming it "
               "relatively (\"" +
               resolved.path + "\") does not depend on that";
        break;
    case Platform::AppPathForm::InAppDir:
    case Platform::AppPathForm::Absolute:
        break;
    }
    return resolved.path;
}

std::vector<LoadList> ReadLoadLists(const Installation& installation) {
    const std::string appList = Platform::TargetExists(installation.PendingAppList())
                                    ? installation.PendingAppList()
                                    : installation.AppList();
    return {ReadModuleList(installation, ListStage::PreLoad, installation.PreLoadList()),
            ReadAppList(installation, appList),
            ReadModuleList(installation, ListStage::PostLoad, installation.PostLoadList())};
}

} // namespace kaldor
