// The path parser on any text: it either parses or throws FileSystemError for a malformed drive,
// and what it renders parses back to the same path. Going up never makes a path longer, except
// that a relative path with nothing left to drop climbs: "" and "../" have "../" and "../../"
// as their parents.
#include "FilePath.h"
#include "FileSystemError.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using VELMORA::NEVRA::Platform::FilePath;
using VELMORA::NEVRA::Platform::FileSystemError;

namespace {

void Require(bool condition, const char* what, const std::string& text) {
    if (!condition) {
        std::fprintf(stderr, "FilePath: %s for \"%s\"\n", what, text.c_str());
        std::abort();
    }
}

bool SamePath(const FilePath& a, const FilePath& b) {
    if (a.Host() != b.Host() || a.Drive() != b.Drive() || a.IsRelative() != b.IsRelative() ||
        a.FileName() != b.FileName() || a.DirCount() != b.DirCount()) {
        return false;
    }
    for (std::size_t i = 0; i < a.DirCount(); ++i) {
        if (a.Dir(i) != b.Dir(i)) {
            return false;
        }
    }
    return true;
}

bool OnlyClimbs(const FilePath& path) {
    if (!path.IsRelative() || path.HasFileName()) {
        return false;
    }
    for (std::size_t i = 0; i < path.DirCount(); ++i) {
        if (path.Dir(i) != "..") {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    FilePath path;
    try {
        path.Assign(text);
    } catch (const FileSystemError&) {
        return 0;
    }
    const std::string rendered = path.Str();
    FilePath again;
    try {
        again.Assign(rendered);
    } catch (const FileSystemError&) {
        Require(false, "the rendered path does not parse", text);
    }
    Require(SamePath(path, again), "the rendered path parses to another path", text);
    Require(again.Str() == rendered, "the rendered path renders differently", text);

    const FilePath parent = path.Parent();
    Require(path.ParentStr() == parent.Str(), "the parent renders differently made or not", text);
    for (const char* name : {"", ".", "..", "n", "C:"}) {
        Require(path.WithDirStr(name) == FilePath(path).AppendDir(name).Str(),
                "a folder added renders differently made or not", text);
        Require(path.ParentWithDirStr(name) == FilePath(parent).AppendDir(name).Str(),
                "a folder beside renders differently made or not", text);
    }
    Require(parent.Str().size() <= rendered.size() || OnlyClimbs(path),
            "the parent is longer than the path", text);
    return 0;
}
