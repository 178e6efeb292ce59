#include "LoadLists.h"

#include <RecordTexts.h>

#include <tinyxml2.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace kaldor {

namespace RecordText = VELMORA::NEVRA::Platform::RecordText;

namespace {

std::string Slashes(std::string text) {
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

// Loads `file` into `list`; the root element, or null when the list is missing or malformed.
const tinyxml2::XMLElement* LoadRoot(tinyxml2::XMLDocument& document, LoadList& list) {
    std::error_code error;
    list.present = fs::exists(list.file, error);
    if (!list.present) {
        return nullptr;
    }
    if (!fs::is_regular_file(list.file, error)) {
        list.error = "not a file";
        return nullptr;
    }
    if (document.LoadFile(list.file.c_str()) != tinyxml2::XML_SUCCESS) {
        const char* name = document.ErrorName();
        list.error = std::string(name != nullptr ? name : "unreadable") + " at line " +
                     std::to_string(document.ErrorLineNum());
        return nullptr;
    }
    const tinyxml2::XMLElement* root = document.FirstChildElement();
    if (root == nullptr) {
        list.error = "has no root element";
    }
    return root;
}

std::string Line(const tinyxml2::XMLElement* element) {
    return "line " + std::to_string(element->GetLineNum());
}

LoadList ReadModuleList(const Installation& installation, ListStage stage, const fs::path& file) {
    LoadList list;
    list.stage = stage;
    list.file = file.string();
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    const tinyxml2::XMLElement* root = LoadRoot(document, list);
    if (root == nullptr) {
        return list;
    }
    for (const auto* module = root->FirstChildElement("module"); module != nullptr;
         module = module->NextSiblingElement("module")) {
        const char* name = module->Attribute("name");
        const char* qa = module->Attribute("qa");
        if (name == nullptr || qa == nullptr) {
            list.ignored.push_back(Line(module) + ": <module> without a " +
                                   (name == nullptr ? "name" : "qa") + " attribute is skipped");
            continue;
        }
        ListEntry entry;
        entry.text = name;
        entry.path = (installation.Bin() / (Slashes(name) + ".so")).lexically_normal().string();
        entry.active = std::string(qa) != "1";
        entry.line = module->GetLineNum();
        if (!entry.active) {
            entry.note = "qa=\"1\": not loaded";
        }
        list.entries.push_back(entry);
    }
    return list;
}

LoadList ReadAppList(const Installation& installation, const fs::path& file) {
    LoadList list;
    list.stage = ListStage::Application;
    list.file = file.string();
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    const tinyxml2::XMLElement* root = LoadRoot(document, list);
    if (root == nullptr) {
        return list;
    }
    for (const auto* app = root->FirstChildElement("App"); app != nullptr;
         app = app->NextSiblingElement("App")) {
        const char* path = app->Attribute("path");
        const char* load = app->Attribute("load");
        if (path == nullptr || load == nullptr) {
            list.ignored.push_back(Line(app) + ": <App> without a " +
                                   (path == nullptr ? "path" : "load") + " attribute is skipped");
            continue;
        }
        ListEntry entry;
        entry.text = path;
        entry.path = ResolveAppPath(installation, path, entry.note);
        entry.active = std::string(load) == "1";
        entry.line = app->GetLineNum();
        if (!entry.active) {
            entry.note = "load=\"" + std::string(load) + "\": switched off";
        }
        list.entries.push_back(entry);
    }
    return list;
}

} // namespace

const char* ListStageName(ListStage stage) {
    switch (stage) {
    case ListStage::PreLoad:
        return "pre-load";
    case ListStage::Application:
        return "application";
    case ListStage::PostLoad:
        return "post-load";
    }
    return "";
}

const char* ListStageRegistration(ListStage stage) {
    switch (stage) {
    case ListStage::PreLoad:
        return RecordText::InternalPreRegistration;
    case ListStage::Application:
        return RecordText::ExternalRegistration;
    case ListStage::PostLoad:
        return RecordText::InternalPostRegistration;
    }
    return "";
}

std::vector<ListEntry> LoadList::ActiveEntries() const {
    std::vector<ListEntry> active;
    std::copy_if(entries.begin(), entries.end(), std::back_inserter(active),
                 [](const ListEntry& entry) { return entry.active; });
    return active;
}

std::string ResolveAppPath(const Installation& installation, const std::string& text,
                           std::string& note) {
    const fs::path given(Slashes(text));
    if (given.empty() || !given.has_filename()) {
        note = "names no file";
        return given.string();
    }
    if (given.is_absolute()) {
        const fs::path normal = given.lexically_normal();
        if (normal.parent_path() == installation.AppDir()) {
            note = "given absolutely inside bin/KxApp/: the platform keeps only the file name "
                   "and looks for it on LD_LIBRARY_PATH, which holds bin/KxApp/ once a library "
                   "from there was loaded; naming it relatively (\"" +
                   normal.filename().string() + "\") does not depend on that";
            return normal.filename().string();
        }
        return normal.string();
    }
    return (installation.AppDir() / given).lexically_normal().string();
}

std::vector<LoadList> ReadLoadLists(const Installation& installation) {
    std::error_code error;
    const fs::path appList = fs::exists(installation.PendingAppList(), error)
                                 ? installation.PendingAppList()
                                 : installation.AppList();
    return {ReadModuleList(installation, ListStage::PreLoad, installation.PreLoadList()),
            ReadAppList(installation, appList),
            ReadModuleList(installation, ListStage::PostLoad, installation.PostLoadList())};
}

} // namespace kaldor
