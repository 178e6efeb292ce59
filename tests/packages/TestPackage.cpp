// A package whose behaviour a test sets up in a text file beside the library, "<Stem>.txt":
//   register PATH [RES]    registered from inside Init (PATH relative to this library's folder
//                          unless absolute; RES "-" for none)
//   unregister PATH        unregistered from inside Exit
//   module ID CONTEXT      database module registered from inside Init
//   drop PATH              unregistered from inside Init, after the registrations before it
//   init-fail HOW          Init never comes back: "segv" raises SIGSEGV, "abort" aborts,
//                          "exit" ends the process with 3, "hang" waits forever; after the
//                          registrations above it
// Every call is appended to the file named by ORVANE_TEST_EVENTS, so tests see the order.
#include <orvane/KxPackageMgr.h>

#include "OwnFile.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifndef ORVANE_PACKAGE_STEM
#error "ORVANE_PACKAGE_STEM names the package"
#endif
#define ORVANE_STR2(x) #x
#define ORVANE_STR(x) ORVANE_STR2(x)
#define ORVANE_CAT2(a, b) a##b
#define ORVANE_CAT(a, b) ORVANE_CAT2(a, b)

using VELMORA::NEVRA::Platform::KxModuleMgr;
using VELMORA::NEVRA::Platform::KxPackageMgr;

namespace {

std::string OwnPath() {
    return OwnFile(reinterpret_cast<const void*>(&OwnPath));
}

std::string OwnDir() {
    const std::string path = OwnPath();
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string OwnStem() {
    std::string path = OwnPath();
    const auto slash = path.find_last_of("/\\");
    path = slash == std::string::npos ? path : path.substr(slash + 1);
    return path.substr(0, path.rfind('.'));
}

void Event(const std::string& text) {
    const char* file = std::getenv("ORVANE_TEST_EVENTS");
    if (file == nullptr || *file == '\0') {
        return;
    }
    std::ofstream out(file, std::ios::app);
    out << text << '\n';
}

std::vector<std::vector<std::string>> Behaviour() {
    std::vector<std::vector<std::string>> lines;
    std::ifstream in(OwnDir() + OwnStem() + ".txt");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::vector<std::string> fields;
        std::string word;
        while (words >> word) {
            fields.push_back(word);
        }
        if (!fields.empty()) {
            lines.push_back(fields);
        }
    }
    return lines;
}

std::string Resolve(const std::string& path) {
    return std::filesystem::path(path).is_absolute() ? path : OwnDir() + path;
}

// Ends or stops the process as the behaviour file asks; nothing when it does not.
void FailIfAsked() {
    for (const auto& fields : Behaviour()) {
        if (fields.size() != 2 || fields[0] != "init-fail") {
            continue;
        }
        Event("Init " + OwnStem() + " fails by " + fields[1]);
        if (fields[1] == "segv") {
            std::raise(SIGSEGV);
        } else if (fields[1] == "abort") {
            std::abort();
        } else if (fields[1] == "exit") {
            std::_Exit(3);
        }
        while (true) {
            std::this_thread::sleep_for(std::chrono::hours(1));
        }
    }
}

} // namespace

KX_PACKAGE_ENTRY ORVANE_CAT(ORVANE_PACKAGE_STEM, Init)(KxPackageMgr* packages,
                                                       KxModuleMgr* modules) {
    Event(std::string("Init ") + ORVANE_STR(ORVANE_PACKAGE_STEM) + " as " + OwnStem());
    for (const auto& fields : Behaviour()) {
        if (fields[0] == "register" && fields.size() >= 2) {
            const std::string dll = Resolve(fields[1]);
            const bool hasRes = fields.size() >= 3 && fields[2] != "-";
            const std::string res = hasRes ? Resolve(fields[2]) : std::string();
            const int result = packages->Reg(dll.c_str(), hasRes ? res.c_str() : nullptr);
            Event("Reg " + dll + " " + std::to_string(result));
        } else if (fields[0] == "module" && fields.size() == 3) {
            const int result = modules->RegisterModule(
                static_cast<std::uint32_t>(std::stoul(fields[1])), std::stoull(fields[2]));
            Event("RegisterModule " + fields[1] + " " + std::to_string(result));
        } else if (fields[0] == "drop" && fields.size() == 2) {
            packages->UnReg(Resolve(fields[1]).c_str());
            Event("UnReg " + Resolve(fields[1]));
        }
    }
    FailIfAsked();
    Event(std::string("Init ") + OwnStem() + " returns 0");
    return 0;
}

KX_PACKAGE_ENTRY ORVANE_CAT(ORVANE_PACKAGE_STEM, Exit)(KxPackageMgr* packages,
                                                       KxModuleMgr* /*modules*/) {
    Event("Exit " + OwnStem());
    for (const auto& fields : Behaviour()) {
        if (fields[0] == "unregister" && fields.size() == 2) {
            packages->UnReg(Resolve(fields[1]).c_str());
            Event("UnReg " + Resolve(fields[1]));
        }
    }
    return 0;
}
