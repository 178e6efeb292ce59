// What the file-system tests share: a fresh folder per test and the text of what a call threw.
#pragma once

#include "FileSystem.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace FileSystemTestSupport {

namespace fs = std::filesystem;
using VELMORA::NEVRA::Platform::FileSystemError;

// The files here never hold a zero byte.
inline std::string ReadFile(const std::string& path) {
    std::string text;
    std::getline(std::ifstream(path, std::ios::binary), text, '\0');
    return text;
}

// What a call threw, or "" when it returned.
inline std::string ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const FileSystemError& error) {
        return error.what();
    }
    return "";
}

// A fresh folder for each test, on any system.
class TempFolderTest : public ::testing::Test {
protected:
    std::string At(const std::string& relative) const { return root_ + "/" + relative; }
    static void WriteFile(const std::string& p, const std::string& t) {
        std::ofstream(p, std::ios::binary) << t;
    }

    // A small tree: dir/f1.txt, dir/sub/f2.txt, dir/empty/
    std::string MakeTree(const std::string& name) {
        const std::string dir = At(name);
        fs::create_directories(dir + "/sub");
        fs::create_directories(dir + "/empty");
        WriteFile(dir + "/f1.txt", "one");
        WriteFile(dir + "/sub/f2.txt", "two");
        return dir;
    }

    TestSupport::TempFolder folder_{"orvane-fs-"};
    const std::string root_ = folder_.Path();
};

using FileSystemTest = TempFolderTest;

} // namespace FileSystemTestSupport
