#include "FilePath.h"
#include "FileSystemError.h"
#include "Sys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

using namespace VELMORA::NEVRA::Platform;

namespace {

// Expected paths are written once with backslashes and rendered in the native form here.
std::string Native(std::string text) {
    std::replace(text.begin(), text.end(), '\\', Sys::NativeSeparator());
    return text;
}

std::string WithSeparator(std::string text, char separator) {
    std::replace_if(text.begin(), text.end(), IsSeparator, separator);
    return text;
}

// The directory components joined with "|", so that a table row can hold them in one string.
std::string DirsOf(const FilePath& path) {
    std::string dirs;
    for (std::size_t i = 0; i < path.DirCount(); ++i) {
        dirs += (i == 0 ? "" : "|") + path.Dir(i);
    }
    return dirs;
}

} // namespace

TEST(FilePathTest, ParsesAndRendersWithEitherSeparator) {
    // {text, rendered (null: as written), host, drive, dirs, file name, absolute}
    using Row = std::tuple<const char*, const char*, const char*, const char*, const char*,
                           const char*, bool>;
    const Row rows[] = {
        {"", nullptr, "", "", "", "", false},
        {"\\", nullptr, "", "", "", "", true},
        {"\\\\", "\\", "", "", "", "", true},
        {"\\\\server", "\\\\server\\", "server", "", "", "", true},
        {"\\\\server\\share", "\\\\server\\share\\", "server", "", "share", "", true},
        {"\\\\server\\share\\f.txt", nullptr, "server", "", "share", "f.txt", true},
        // Folding leaves no share behind, so the last name takes its place.
        {"\\\\srv\\share\\..\\..\\x", "\\\\srv\\x\\", "srv", "", "x", "", true},
        {"C:\\", nullptr, "", "C", "", "", true},
        {"c:\\x", nullptr, "", "c", "", "x", true},
        {"C:\\a\\..\\..\\b", "C:\\b", "", "C", "", "b", true},
        {"ab:c", nullptr, "", "", "", "ab:c", false},
        {"ab:\\c", nullptr, "", "", "ab:", "c", false},
        {"a\\\\b", "a\\b", "", "", "a", "b", false},
        {"a\\.\\b\\..\\c.txt", "a\\c.txt", "", "", "a", "c.txt", false},
        {"a\\..\\..\\b", "..\\b", "", "", "..", "b", false},
        {"a\\..", nullptr, "", "", "a", "..", false},
        // A first component that reads as a drive once folding has put it first keeps a "."
        // step in front, or the rendered text would parse as a drive (or not at all).
        {"a\\..\\C:\\x", ".\\C:\\x", "", "", "C:", "x", false},
        {".\\C:", nullptr, "", "", "", "C:", false},
        {"\\a\\..\\C:\\x", "\\.\\C:\\x", "", "", "C:", "x", true},
        {"\\\\\\::\\s", "\\.\\::\\s", "", "", "::", "s", true},
    };
    for (const auto& [text, rendered, host, drive, dirs, fileName, absolute] : rows) {
        for (char separator : {'\\', '/'}) {
            const std::string written = WithSeparator(text, separator);
            SCOPED_TRACE(written);
            const FilePath path(written);
            EXPECT_EQ(path.Str(), Native(rendered != nullptr ? rendered : text));
            EXPECT_EQ(path.Host(), host);
            EXPECT_EQ(path.Drive(), drive);
            EXPECT_EQ(DirsOf(path), dirs);
            EXPECT_EQ(path.FileName(), fileName);
            EXPECT_EQ(path.IsRelative(), !absolute);
            // What is rendered parses back to the same path.
            EXPECT_EQ(FilePath(path.Str()).Str(), path.Str());
        }
    }
    // Mixed separators in one path.
    EXPECT_EQ(FilePath("c:/Program Files\\app/x.dll").Str(),
              Native("c:\\Program Files\\app\\x.dll"));
}

TEST(FilePathTest, MalformedDriveFormsThrowNamingThePath) {
    for (const char* text : {"C:", "C:x", "x:y", "1:\\x", "\\C:\\x", "/c:/x", "c:name\\y"}) {
        SCOPED_TRACE(text);
        try {
            ADD_FAILURE() << "parsed as " << FilePath(text).Str();
        } catch (const FileSystemError& error) {
            EXPECT_NE(std::string(error.what()).find(text), std::string::npos) << error.what();
        }
    }
    // Assign clears what was there before it parses.
    EXPECT_EQ(FilePath("C:\\old\\f.txt").Assign("new").Str(), "new");
}

TEST(FilePathTest, GoUpStepsToTheParentAndStopsAtTheRoot) {
    const std::pair<const char*, std::vector<const char*>> rows[] = {
        {"C:\\a\\b.txt", {"C:\\a\\", "C:\\", "C:\\"}},
        {"a", {"", "..\\", "..\\..\\"}},
    };
    for (const auto& [start, steps] : rows) {
        SCOPED_TRACE(start);
        FilePath path(start);
        for (const char* expected : steps) {
            EXPECT_EQ(path.Parent().Str(), Native(expected));
            EXPECT_EQ(path.ParentStr(), Native(expected));
            EXPECT_EQ(path.GoUp().Str(), Native(expected));
        }
    }
}

TEST(FilePathTest, IsDeviceNameLooksAtTheWholeString) {
    for (const char* device : {"\\\\.\\pipe\\x", "\\\\.\\", "nul", "NUL", "con", "Prn", "aUx",
                               "COM1", "com9", "LPT9", "lpt1"}) {
        EXPECT_TRUE(IsDeviceName(device)) << device;
    }
    for (const char* other : {"\\\\.", "//./pipe/x", "COM0", "COM10", "LPT0", "LPTx", "AUX.txt",
                              "CON.txt", "C:\\dev\\CON", "\xC3ON", "", "CO", "COMa"}) {
        EXPECT_FALSE(IsDeviceName(other)) << other;
    }
}
