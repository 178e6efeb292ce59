// kaldor reading every record text the platform writes and it knows: each record is written
// with the platform's own constant through the host's log library, read back from the file and
// classified. A record kaldor no longer recognises falls through to its catch-all explanation
// or leaves the timeline without its stage, and the row fails.
#include "KaldorTestSupport.h"
#include "report/FailureExplainer.h"
#include <orvane/recovery/LogRecords.h>
#include <orvane/recovery/StartupTimeline.h>

#include <KxLog/KxLog.h>
#include <RecordTexts.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <ostream>
#include <string>
#include <utility>
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

std::string Stage(const char* name, const char* suffix) {
    return std::string(name) + suffix;
}

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
    const std::string package = demo.Path("bin/KxApp/Foo.so");
    const std::string folder = demo.Path("bin/KxApp");
    const std::string error87 = "87" + std::string(RecordText::SystemErrorEnd);
    const std::string dependence = RecordText::UnknownDependencePath.data() + package +
                                   RecordText::DependenceError + "2" + RecordText::SystemErrorEnd;
    const FatalRow rows[] = {
        {RecordText::PreBuildFailed, "The user's library folder /nowhere cannot be created"},
        {RecordText::BuildFailed, "Start-up stopped while registering packages"},
        {RecordText::InitUnexpectedError, "An unexpected error stopped start-up"},
        {RecordText::LoadError + std::string("no memory"),
         "An error interrupted the registration of packages: no memory."},
        {RecordText::AlreadyLoadedPath.data() + package,
         "Package Foo (bin/KxApp/Foo.so) was not loaded: a library of that path is already"},
        {RecordText::NamesNoFilePath.data() + folder,
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
        {RecordText::ImportPathFailed, "could not put the package's folder on LD_LIBRARY_PATH"},
        {RecordText::SearchPathFailed, "could not put the package's folder on LD_LIBRARY_PATH"},
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
        EXPECT_NE(explanations[i].text.find(rows[i].explained), std::string::npos)
            << explanations[i].text;
    }
}

// A start-up whose registration stage fails because a package's Init refused: the stage records
// bracket the import records and the Init's result, and the failure names the package.
struct StageRow {
    const char* stage;
    const char* registration;
    const char* failed;
    std::string list;
};

void PrintTo(const StageRow& row, std::ostream* out) {
    *out << row.registration;
}

class KaldorRegistrationRecords : public ::testing::TestWithParam<StageRow> {};

TEST_P(KaldorRegistrationRecords, TimeTheStageAndNameThePackageThatRefused) {
    const StageRow& row = GetParam();
    const DemoCopy demo;
    const Installation installation = Installation::Open(demo.Install());
    const std::string package = demo.Path("bin/KxApp/Foo.so");
    const std::string refused =
        RecordText::InitCalled + std::string("1") + RecordText::InitReturned + "3";
    const auto read =
        WriteAndRead(demo, {{false, Stage(RecordText::InitStage, RecordText::StageBegin)},
                            {false, Stage(RecordText::PreBuildStage, RecordText::StageBegin)},
                            {false, Stage(RecordText::PreBuildStage, RecordText::StageEnd)},
                            {false, Stage(RecordText::BuildStage, RecordText::StageBegin)},
                            {false, Stage(row.stage, RecordText::StageBegin)},
                            {false, RecordText::ImportBegin},
                            {false, package},
                            {false, RecordText::ImportEnd},
                            {false, refused},
                            {false, Stage(row.stage, RecordText::StageEnd)},
                            {true, row.failed},
                            {false, Stage(RecordText::BuildStage, RecordText::StageEnd)},
                            {true, RecordText::BuildFailed},
                            {false, Stage(RecordText::InitStage, RecordText::StageEnd)},
                            {false, Stage(RecordText::ExitStage, RecordText::StageBegin)},
                            {false, Stage(RecordText::ExitStage, RecordText::StageEnd)}});

    const auto timeline = StartupTimeline::FromRecords(read);
    const std::pair<const char*, int> stages[] = {{RecordText::InitStage, 0},
                                                  {RecordText::PreBuildStage, 1},
                                                  {RecordText::BuildStage, 1},
                                                  {row.stage, 2},
                                                  {RecordText::ExitStage, 0}};
    for (const auto& [name, depth] : stages) {
        const StageSpan* span = timeline.Stage(name);
        ASSERT_NE(span, nullptr) << name;
        EXPECT_EQ(span->depth, depth) << name;
        EXPECT_TRUE(span->Duration()) << name;
    }
    ASSERT_EQ(timeline.Packages().size(), 1u);
    const PackageSpan& span = timeline.Packages().front();
    EXPECT_EQ(span.path, package);
    EXPECT_EQ(span.stage, row.registration);
    EXPECT_EQ(span.initResult, 3);

    const FailureExplainer explainer(installation, "/nowhere");
    const auto explanations = explainer.Explain(read, timeline);
    ASSERT_EQ(explanations.size(), 2u);
    EXPECT_EQ(explanations[0].text,
              row.list +
                  " could not be registered: the Init of Package Foo (bin/KxApp/Foo.so) "
                  "returned 3 (\"" +
                  refused +
                  "\"); the package refused to start. Its documentation or its own messages "
                  "say why.");
}

INSTANTIATE_TEST_SUITE_P(
    Stages, KaldorRegistrationRecords,
    ::testing::Values(StageRow{RecordText::InternalPreStage.data(),
                               RecordText::InternalPreRegistration, RecordText::InternalPreFailed,
                               "A pre-load module of NevraPreLoad.xml"},
                      StageRow{RecordText::ExternalStage.data(), RecordText::ExternalRegistration,
                               RecordText::ExternalFailed, "An application of NevraPreLoadApp.xml"},
                      StageRow{RecordText::InternalPostStage.data(),
                               RecordText::InternalPostRegistration, RecordText::InternalPostFailed,
                               "A post-load module of NevraPostLoad.xml"}),
    [](const ::testing::TestParamInfo<StageRow>& info) {
        return std::string(info.param.registration);
    });

} // namespace

} // namespace kaldor::test
