// One load list file read as the platform reads it, on every system: lines, the entries passed
// over, and why a file named nothing.
#include "LoadListFile.h"
#include "FileSystemTestSupport.h"

namespace VELMORA::NEVRA::Platform {
namespace {

class LoadListFileTest : public FileSystemTestSupport::TempFolderTest {
protected:
    std::string Write(const std::string& content) {
        const std::string path = At("list" + std::to_string(++count_) + ".xml");
        WriteFile(path, content);
        return path;
    }

    int count_ = 0;
};

// What the platform passes over in silence is kept, with lines, for kaldor to report.
TEST_F(LoadListFileTest, KeepsLinesAndEntriesPassedOver) {
    const auto list = LoadListFile::ReadModules(Write("<List>\n<module name=\"A\" qa=\"0\"/>\n"
                                                      "<module qa=\"0\"/>\n<module name=\"B\"/>\n"
                                                      "</List>"));
    EXPECT_EQ(list.Reading().state, XmlFileState::Read);
    ASSERT_EQ(list.Entries().size(), 1u);
    EXPECT_EQ(list.Entries()[0].line, 2);
    ASSERT_EQ(list.PassedOver().size(), 2u);
    EXPECT_EQ(list.PassedOver()[0].line, 3);
    EXPECT_EQ(list.PassedOver()[0].missingAttribute, "name");
    EXPECT_EQ(list.PassedOver()[1].line, 4);
    EXPECT_EQ(list.PassedOver()[1].missingAttribute, "qa");
}

} // namespace
} // namespace VELMORA::NEVRA::Platform
