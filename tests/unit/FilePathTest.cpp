#include "FilePath.h"
#include "FileSystemError.h"
#include "Sys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

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

struct ParseRow {
    const char* text;
    const char* rendered;
    const char* host;
    const char* drive;
    std::vector<std::string> dirs;
    const char* fileName;
    bool absolute;
};

std::vector<std::string> DirsOf(const FilePath& path) {
    std::vector<std::string> dirs;
    for (std::size_t i = 0; i < path.DirCount(); ++i) {
        dirs.push_back(path.Dir(i));
    }
    return dirs;
}

} // namespace

TEST(FilePathTest, ParsesAndRendersWithEitherSeparator) {
    const std::vector<ParseRow> rows = {
        {"", "", "", "", {}, "", false},
        {"\\", "\\", "", "", {}, "", true},
        {"\\\\", "\\", "", "", {}, "", true},
        {"\\\\server", "\\\\server\\", "server", "", {}, "", true},
        {"\\\\server\\share", "\\\\server\\share\\", "server", "", {"share"}, "", true},
        {"\\\\server\\share\\f.txt",
         "\\\\server\\share\\f.txt",
         "server",
         "",
         {"share"},
         "f.txt",
         true},
        // Folding leaves no share behind, so the last name takes its place.
        {"\\\\srv\\share\\..\\..\\x", "\\\\srv\\x\\", "srv", "", {"x"}, "", true},
        {"C:\\", "C:\\", "", "C", {}, "", true},
        {"c:\\x", "c:\\x", "", "c", {}, "x", true},
        {"c:\\Program Files\\app\\",
         "c:\\Program Files\\app\\",
         "",
         "c",
         {"Program Files", "app"},
         "",
         true},
        {"C:\\..\\a", "C:\\a", "", "C", {}, "a", true},
        {"C:\\a\\..\\..\\b", "C:\\b", "", "C", {}, "b", true},
        {"ab:c", "ab:c", "", "", {}, "ab:c", false},
        {"ab:\\c", "ab:\\c", "", "", {"ab:"}, "c", false},
        {"a\\\\b", "a\\b", "", "", {"a"}, "b", false},
        {"\\x\\\\y", "\\x\\y", "", "", {"x"}, "y", true},
        {"a\\.\\b\\..\\c.txt", "a\\c.txt", "", "", {"a"}, "c.txt", false},
        {"a\\..\\..\\b", "..\\b", "", "", {".."}, "b", false},
        {"..\\..\\a", "..\\..\\a", "", "", {"..", ".."}, "a", false},
        {"a\\..", "a\\..", "", "", {"a"}, "..", false},
        {"a\\.", "a\\.", "", "", {"a"}, ".", false},
        {"...\\..x\\.x\\a b", "...\\..x\\.x\\a b", "", "", {"...", "..x", ".x"}, "a b", false},
        {"\\..\\a\\", "\\a\\", "", "", {"a"}, "", true},
    };
    for (const ParseRow& row : rows) {
        for (char separator : {'\\', '/'}) {
            const std::string text = WithSeparator(row.text, separator);
            SCOPED_TRACE(text);
            const FilePath path(text);
            EXPECT_EQ(path.Str(), Native(row.rendered));
            EXPECT_EQ(path.Host(), row.host);
            EXPECT_EQ(path.Drive(), row.drive);
            EXPECT_EQ(DirsOf(path), row.dirs);
            EXPECT_EQ(path.FileName(), row.fileName);
            EXPECT_EQ(path.IsRelative(), !row.absolute);
            EXPECT_EQ(path.HasFileName(), !path.FileName().empty());
            EXPECT_EQ(path.IsDirectoryForm(), path.FileName().empty());
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
            FilePath path(text);
            ADD_FAILURE() << "parsed as " << path.Str();
        } catch (const std::exception& error) {
            EXPECT_NE(dynamic_cast<const FileSystemError*>(&error), nullptr);
            EXPECT_NE(std::string(error.what()).find(text), std::string::npos) << error.what();
        }
    }
    // Assign clears what was there before it parses.
    FilePath path("C:\\old\\f.txt");
    path.Assign("new");
    EXPECT_EQ(path.Str(), "new");
    EXPECT_TRUE(path.IsRelative());
    EXPECT_TRUE(path.Drive().empty());
}

TEST(FilePathTest, DirectoryAndFileIdioms) {
    EXPECT_EQ(FilePath("C:\\app").ToDirectoryForm().AppendDir("Text").Str(),
              Native("C:\\app\\Text\\"));
    for (const char* dir : {"C:\\app", "C:\\app\\", "C:/app/"}) {
        EXPECT_EQ(FilePath(FilePath(dir), "NevraPreLoad.xml").Str(),
                  Native("C:\\app\\NevraPreLoad.xml"));
    }
    // The name is taken verbatim: not split, not folded.
    EXPECT_EQ(FilePath(FilePath("a"), "..").Str(), Native("a\\.."));
    EXPECT_EQ(FilePath(FilePath("a\\b"), "..").FileName(), "..");
    EXPECT_EQ(FilePath(FilePath("a"), "x/y").FileName(), "x/y");

    EXPECT_EQ(FilePath("a\\..").ToDirectoryForm().Str(), "");
    EXPECT_EQ(FilePath("a\\b").ToDirectoryForm().Str(), Native("a\\b\\"));
    EXPECT_EQ(FilePath("a\\b\\").ToFileForm().Str(), Native("a\\b"));
    EXPECT_EQ(FilePath("a\\b\\").ToFileForm().FileName(), "b");
    EXPECT_EQ(FilePath("a\\b").ToFileForm().Str(), Native("a\\b"));
    EXPECT_EQ(FilePath("C:\\").ToFileForm().Str(), Native("C:\\"));
    EXPECT_EQ(FilePath("C:\\x\\f.txt").Parent().Str(), Native("C:\\x\\"));

    FilePath cleared("\\\\srv\\share\\f");
    cleared.Clear();
    EXPECT_EQ(cleared.Str(), "");
    EXPECT_TRUE(cleared.IsRelative());
    EXPECT_TRUE(cleared.Host().empty());
}

TEST(FilePathTest, AppendDirFoldsDotsAndDropsStepsAboveTheRoot) {
    struct Row {
        const char* base;
        const char* name;
        const char* rendered;
    };
    const Row rows[] = {
        {"a\\", "", "a\\"},         {"a\\", ".", "a\\"},
        {"a\\b\\", "..", "a\\"},    {"", "..", "..\\"},
        {"..\\", "..", "..\\..\\"}, {"\\", "..", "\\"},
        {"C:\\", "..", "C:\\"},     {"\\\\srv\\", "..", "\\\\srv\\"},
        {"a\\", "...", "a\\...\\"}, {"a\\", "..x", "a\\..x\\"},
        {"a\\", ".x", "a\\.x\\"},   {"a\\", "x:y z", "a\\x:y z\\"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.base) + " + " + row.name);
        EXPECT_EQ(FilePath(row.base).AppendDir(row.name).Str(), Native(row.rendered));
    }
}

TEST(FilePathTest, GoUpStepsToTheParentAndStopsAtTheRoot) {
    struct Row {
        const char* start;
        std::vector<const char*> steps;
    };
    const Row rows[] = {
        {"C:\\a\\b.txt", {"C:\\a\\", "C:\\", "C:\\"}},
        {"a", {"", "..\\", "..\\..\\"}},
        {"..\\", {"..\\..\\"}},
        {"\\\\srv\\share\\x", {"\\\\srv\\share\\", "\\\\srv\\", "\\\\srv\\"}},
        {"\\a\\", {"\\", "\\"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.start);
        FilePath path(row.start);
        for (const char* expected : row.steps) {
            const FilePath before = path;
            EXPECT_EQ(path.Parent().Str(), Native(expected));
            EXPECT_EQ(path.Str(), before.Str()); // Parent leaves the original alone
            EXPECT_EQ(path.GoUp().Str(), Native(expected));
        }
    }
}

TEST(FilePathTest, DirBeyondTheComponentsYieldsTheFileName) {
    const FilePath path("a\\b\\c.txt");
    EXPECT_EQ(path.DirCount(), 2u);
    EXPECT_EQ(path.Dir(0), "a");
    EXPECT_EQ(path.Dir(1), "b");
    EXPECT_EQ(path.Dir(2), "c.txt");
    EXPECT_EQ(path.Dir(5), "c.txt");
    EXPECT_EQ(FilePath("a\\b\\").Dir(2), "");
}

TEST(FilePathTest, StemExtensionAndTheirSetters) {
    struct Row {
        const char* name;
        const char* stem;
        const char* extension;
    };
    const Row rows[] = {
        {"archive.tar.gz", "archive.tar", "gz"},
        {".hidden", "", "hidden"},
        {"noext", "noext", ""},
        {"a.", "a", ""},
        {"d.x\\f", "f", ""},
        {"", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const FilePath path(row.name);
        EXPECT_EQ(path.Stem(), row.stem);
        EXPECT_EQ(path.Extension(), row.extension);
    }

    struct EditRow {
        const char* name;
        bool stem; // SetStem, else SetExtension
        const char* argument;
        const char* result;
    };
    const EditRow edits[] = {
        {"a.txt", false, "", "a"},
        {"a.txt", false, "cfg", "a.cfg"},
        {"a", false, "so", "a.so"},
        {"a.tar.gz", false, "xz", "a.tar.xz"},
        {"a.txt", true, "b", "b.txt"},
        {"a", true, "b", "b"},
        {"a.", true, "b", "b"},
        {".cfg", true, "x", "x.cfg"},
        {"d\\a.txt", true, "b", "d\\b.txt"},
    };
    for (const EditRow& edit : edits) {
        SCOPED_TRACE(std::string(edit.name) + (edit.stem ? " stem " : " extension ") +
                     edit.argument);
        FilePath path(edit.name);
        if (edit.stem) {
            path.SetStem(edit.argument);
        } else {
            path.SetExtension(edit.argument);
        }
        EXPECT_EQ(path.Str(), Native(edit.result));
    }
}

TEST(FilePathTest, StripTrailingSeparatorRemovesOneOutsideADriveRoot) {
    const std::pair<const char*, const char*> rows[] = {
        {"C:\\", "C:\\"}, {"C:/", "C:/"}, {"C:\\a\\", "C:\\a"}, {"a\\\\", "a\\"},
        {"a//", "a/"},    {"\\", "\\"},   {"/", "/"},           {"\\\\", "\\"},
        {"", ""},         {"a", "a"},     {"ab/", "ab"},        {"ab:\\", "ab:"},
    };
    for (const auto& [text, stripped] : rows) {
        SCOPED_TRACE(text);
        EXPECT_EQ(StripTrailingSeparator(text), stripped);
        std::string target = "previous";
        StripTrailingSeparator(text, target);
        EXPECT_EQ(target, stripped);
    }
}

TEST(FilePathTest, IsDeviceNameLooksAtTheWholeString) {
    const std::pair<const char*, bool> rows[] = {
        {"\\\\.\\pipe\\x", true},
        {"\\\\.\\", true},
        {"\\\\.", false},
        {"//./pipe/x", false},
        {"nul", true},
        {"NUL", true},
        {"con", true},
        {"Prn", true},
        {"aUx", true},
        {"COM1", true},
        {"com9", true},
        {"COM0", false},
        {"COM10", false},
        {"LPT9", true},
        {"lpt1", true},
        {"LPT0", false},
        {"LPTx", false},
        {"AUX.txt", false},
        {"CON.txt", false},
        {"C:\\dev\\CON", false},
        {"\xC3ON", false},
        {"", false},
        {"CO", false},
        {"COMa", false},
    };
    for (const auto& [text, device] : rows) {
        SCOPED_TRACE(text);
        EXPECT_EQ(IsDeviceName(text), device);
    }
}
