// kaldor reading every record text the platform writes and it knows: each record is written
// with the platform's own constant through the host's log library, read back from the file and
// classified. A record kaldor no longer recognises falls through to its catch-all explanation
// or leaves the timeline without its stage, and the row fails.
#include "KaldorTestSupport.h"
#include "TestSystem.h"
#include "report/FailureExplainer.h"
#include <orvane/recovery/LogRecords.h>
#include <orvane/recovery/StartupTimeline.h>

#include <KxLog/KxLog.h>
#include <RecordTexts.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

namespace kaldor::test {

using namespace orvane::recovery;

namespace {

namespace RecordText = VELMORA::NEVRA::Platform::RecordText;

const std::string Unexplained = "See the log records around it.";

struct Record {
    bool fatal;
    std::string message;
};

// The records as the platform writes them, read back as kaldor reads a start-up's log.
std::vector<LogRecord> WriteAndRead(const DemoCopy& demo, const std::vector<Record>& records) {
    const std::string dir = demo.Path("logs");
    std::filesystem::create_directories(dir);
    KxLogSetOutputPath(dir.c_str());
    KxLogInit();
    int line = 0;
    for (const auto& [fatal, message] : records) {
        (fatal ? KxFatal : KxInfo)("Orvane", "Orvane", ++line, message.c_str());
    }
    KxLogExit();
    auto read = ReadLogRecords(dir + "/KxLog.log", 0);
    EXPECT_EQ(read.size(), records.size());
    for (std::size_t i = 0; i < std::min(read.size(), records.size()); ++i) {
        EXPECT_EQ(read[i].message, records[i].message);
        EXPECT_EQ(read[i].IsFatal(), records[i].fatal);
    }
    return read;
}

struct FatalRow {
    std::string message;
    std::string explained; // a part of the explanation only this record gets
};

TEST(KaldorRecordTexts, ExplainsEveryFailureRecordOfThePlatform) {
    const DemoCopy demo;
    const Installation installation = Installation::Open(demo.Install());
    // As the platform writes them: in the system's form.
    const std::string package = Native(demo.Path("bin/KxApp/" + LibraryName("Foo")));
    const std::string folder = demo.Path("bin/KxApp");
    const std::string error87 = "87" + std::string(RecordText::SystemErrorEnd);
    const std::string dependence = RecordText::UnknownDependencePath.data() + package +
                                   RecordText::DependenceError + "2" + RecordText::SystemErrorEnd;
    const std::string onSearchPath =
        std::string("could not put the package's folder on ") + TestSupport::SearchVariable();
    const FatalRow rows[] = {
        {RecordText::PreBuildFailed, "The user's library folder /nowhere cannot be created"},
        {RecordText::BuildFailed, "Start-up stopped while registering packages"},
        {RecordText::InitUnexpectedError, "An unexpected error stopped start-up"},
        {RecordText::LoadError + std::string("no memory"),
         "An error interrupted the registration of packages: no memory."},
        {RecordText::AlreadyLoadedPath.data() + package,
         "Package Foo (bin/KxApp/Foo.so) was not loaded: a library of that path is already"},
        {RecordText::NamesNoFilePath.data() + Native(folder),
         "registered with the path " + folder + ", which is a folder"},
        {RecordText::NamesNoFilePath.data(), "A package was registered with an empty path"},
        {RecordText::BeingRegisteredPath.data() + package,
         "Package Foo (bin/KxApp/Foo.so) was registered again while its own registration"},
        {RecordText::NoEntryPointsPath.data() + package,
         "Package Foo (bin/KxApp/Foo.so) cannot start: it must export FooInit and FooExit"},
        {dependence, "Package Foo (bin/KxApp/Foo.so) cannot be loaded (system error 2)"},
        {dependence + RecordText::LoaderTextSeparator +
             "libGone.so: cannot open shared object file: No such file or directory",
         "Package Foo (bin/KxApp/Foo.so) cannot be loaded: "},
        {RecordText::ImportPathFailed, onSearchPath},
        {RecordText::SearchPathFailed, onSearchPath},
        {RecordText::HostAddDirectoryFailed + error87,
         "The host program's folder could not be made a library search directory (system "
         "error 87)"},
        {RecordText::PlatformAddDirectoryFailed + error87,
         "The platform library's folder could not be made a library search directory (system "
         "error 87)"},
        {RecordText::HostRemoveDirectoryFailed + error87,
         "could not be removed after start-up (system error 87)"},
        {RecordText::PlatformRemoveDirectoryFailed + error87,
         "could not be removed after start-up (system error 87)"},
    };
    std::vector<Record> records;
    for (const auto& row : rows) {
        records.push_back({true, row.message});
    }
    const auto read = WriteAndRead(demo, records);
    const FailureExplainer explainer(installation, "/nowhere");
    const auto explanations = explainer.Explain(read, StartupTimeline::FromRecords(read));
    ASSERT_EQ(explanations.size(), std::size(rows));
    for (std::size_t i = 0; i < explanations.size(); ++i) {
        SCOPED_TRACE(rows[i].message);
        EXPECT_NE(explanations[i].text, Unexplained);
        ExpectSays(explanations[i].text, {rows[i].explained});
    }
}

} // namespace

} // namespace kaldor::test
