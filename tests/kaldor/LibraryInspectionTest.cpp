// Reading libraries without loading them, on the demo's real libraries.
#include "ElfFile.h"
#include "KaldorTestSupport.h"
#include "LibraryResolver.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kaldor::test {

namespace {

TEST(KaldorElf, PackageExportsOnlyItsEntryPointsAndNamesItsDependency) {
    const ElfFile plotter = ElfFile::Read(DemoDir() + "/apps/Plotter.so");
    EXPECT_TRUE(plotter.Is64Bit() == (sizeof(void*) == 8));
    EXPECT_TRUE(plotter.IsSharedObject());
    // The entry points are visible; the package's own code stays hidden, the helper code it
    // shares with the other demo packages included.
    EXPECT_TRUE(plotter.Exports("PlotterInit"));
    EXPECT_TRUE(plotter.Exports("PlotterExit"));
    for (const auto& name : plotter.ExportedFunctions()) {
        EXPECT_EQ(name.find("4demo"), std::string::npos) << name;
    }
    EXPECT_NE(std::find(plotter.Needed().begin(), plotter.Needed().end(), "PlotMath.so"),
              plotter.Needed().end());
    EXPECT_TRUE(plotter.SearchPaths().empty());

    const ElfFile platform = ElfFile::Read(DemoDir() + "/bin/Orvane.so");
    for (const char* name : {"OrvaneInit", "OrvaneExit", "KxRegEx", "KxResourceCheckPathList"}) {
        EXPECT_TRUE(platform.Exports(name)) << name;
    }
    // The demo's copies find each other beside themselves, never in the build tree.
    ASSERT_FALSE(platform.SearchPaths().empty());
    for (const auto& dir : platform.SearchPaths()) {
        EXPECT_EQ(dir, "$ORIGIN");
    }
}

TEST(KaldorElf, RefusesWhatIsNotALibrary) {
    const DemoCopy demo;
    demo.Write("bin/Fake.so", "#!/bin/sh\n");
    std::string truncated("\x7f"
                          "ELF\x02\x01\x01",
                          7);
    truncated.resize(24, '\0'); // a whole identification, then the header breaks off
    demo.Write("bin/Short.so", truncated);
    const std::vector<std::pair<std::string, std::string>> cases{
        {demo.Path("bin/Fake.so"), "is not a shared library (no ELF header)"},
        {demo.Path("bin/Short.so"), "is cut short or damaged"},
        {demo.Path("bin/None.so"), "cannot be opened"},
    };
    for (const auto& [path, message] : cases) {
        try {
            ElfFile::Read(path);
            ADD_FAILURE() << path;
        } catch (const ElfError& error) {
            EXPECT_NE(std::string(error.what()).find(message), std::string::npos) << error.what();
        }
    }
}

TEST(KaldorResolver, FindsDependenciesBesideInBinAndOnTheSystem) {
    const std::string bin = DemoDir() + "/bin";
    const LibraryResolver resolver({bin});
    const std::string plotter = DemoDir() + "/apps/Plotter.so";
    EXPECT_EQ(resolver.Find("PlotMath.so", plotter, {}), DemoDir() + "/apps/PlotMath.so");
    EXPECT_EQ(resolver.Find("KxLog.so", plotter, {}), bin + "/KxLog.so");
    EXPECT_TRUE(resolver.Find("libc.so.6", plotter, {}));
    EXPECT_FALSE(resolver.Find("NoSuchLibrary.so", plotter, {}));
    // A run path is read relative to the library's own folder.
    const std::string solver = DemoDir() + "/bin/KxApp/Solver.so";
    EXPECT_FALSE(resolver.Find("PlotMath.so", solver, {}));
    EXPECT_TRUE(resolver.Find("PlotMath.so", solver, {"$ORIGIN/../../apps"}));
}

} // namespace

} // namespace kaldor::test
