// The driver over the format core: the newer formats through the pattern's import (range 1, the first-range note),
// their failures, and detection of a file that cannot be loaded.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "import/import_support.h"
#include "support/diffracplus_writer.h"
#include "xrddata/platform/ui.h"

using import_testing::Column;
using import_testing::ImportSandbox;

namespace {

const char kUxd[] =
    "_FILEVERSION=1\n_SAMPLE='quartz'\n_WL1=1.5406\n"
    "_DRIVE='COUPLED'\n_STEPTIME=1.0\n_STEPSIZE=0.5\n_START=10.0\n_COUNTS\n100 400 900\n"
    "_DRIVE='COUPLED'\n_STEPTIME=1.0\n_STEPSIZE=1.0\n_START=40.0\n_COUNTS\n7 8\n";

}  // namespace

TEST(CoreDriver, NewerFormatsReadRangeOneIntoThePattern) {
    ImportSandbox box;
    const std::string path = box.Write("q.uxd", kUxd);
    CXRDData d;
    // By its code, and by detection when no built-in test knows the file.
    ASSERT_EQ(d.DoReadFile(path.c_str(), 21), 1);
    EXPECT_EQ(Column(d, CGraphData::X), (std::vector<double>{10.0, 10.5, 11.0}));
    EXPECT_EQ(Column(d, CGraphData::Y), (std::vector<double>{100, 400, 900}));
    EXPECT_EQ(d.m_strSampleName, "quartz");
    EXPECT_EQ(d.m_strSampleInfo, "\nOnly the first data range was used.");
    EXPECT_EQ(d.m_Radiation.GetTargetName(), "Cu");
    EXPECT_EQ(d.m_strFileName, path);
    CXRDData e;
    ASSERT_EQ(e.DoReadFile(path.c_str(), 0), 1);
    EXPECT_EQ(Column(e, CGraphData::Y), Column(d, CGraphData::Y));
    EXPECT_TRUE(box.ui.messages.empty());
    // Built-in detection still knows only the built-in formats.
    CFileImporter imp(nullptr);
    EXPECT_EQ(imp.DetectFormat(path), CFileImporter::FormatUnknown);

    // A newer format that fails names the file and the reason; the pattern stays as it was.
    const std::string bad = box.Write("b.uxd", "_FILEVERSION=1\n_START=10\n_STEPSIZE=0.5\n_COUNTS\n1 x\n");
    EXPECT_EQ(d.DoReadFile(bad.c_str(), 21), 0);
    ASSERT_EQ(box.ui.messages.size(), 1u);
    EXPECT_EQ(box.ui.messages[0].text.rfind(bad + ": ", 0), 0u) << box.ui.messages[0].text;
    EXPECT_EQ(Column(d, CGraphData::Y), (std::vector<double>{100, 400, 900}));
    // Codes that name no format.
    box.ui.messages.clear();
    EXPECT_EQ(d.DoReadFile(path.c_str(), 99), 0);
    EXPECT_EQ(box.Texts(), std::vector<std::string>{"Cannot determine file format"});
}

TEST(CoreDriver, FileThatCannotBeLoaded) {
    ImportSandbox box;
    const std::string missing = box.dir.file("none.raw");
    CFileImporter imp(nullptr);
    // Each of the eight built-in tests shows the file error, as each used to open the file.
    EXPECT_EQ(imp.DetectFormat(missing), CFileImporter::FormatUnknown);
    ASSERT_EQ(box.ui.messages.size(), 8u);
    for (const auto& m : box.ui.messages) EXPECT_EQ(m.text, missing + ": No such file or directory.");
    box.ui.messages.clear();
    CXRDData d;
    EXPECT_EQ(d.DoReadFile(missing.c_str(), 21), 0);
    EXPECT_EQ(box.Texts(), std::vector<std::string>{missing + ": No such file or directory."});

    // A FIFO without a writer is refused at once instead of blocking the read.
    const std::string fifo = box.dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    box.ui.messages.clear();
    EXPECT_EQ(d.DoReadFile(fifo.c_str(), CFileImporter::FormatText), 0);
    ASSERT_EQ(box.ui.messages.size(), 2u);
    EXPECT_EQ(box.ui.messages[0].text, fifo + ": Invalid argument.");
    EXPECT_EQ(box.ui.messages[1].text, fifo + " is not a valid text file");

    // Detection refuses a FIFO and an endless device at once, with the file error (no read that never ends).
    for (const std::string& odd : {fifo, std::string("/dev/zero")}) {
        box.ui.messages.clear();
        EXPECT_EQ(imp.DetectFormat(odd), CFileImporter::FormatUnknown) << odd;
        ASSERT_EQ(box.ui.messages.size(), 8u) << odd;
        EXPECT_EQ(box.ui.messages[0].text, odd + ": Invalid argument.");
        box.ui.messages.clear();
        EXPECT_EQ(d.DoReadFile(odd.c_str(), CFileImporter::FormatAuto), 0) << odd;
        EXPECT_FALSE(box.ui.messages.empty()) << odd;
    }
}

TEST(CoreDriver, MultiRangeRawFileFillsRangeOne) {
    ImportSandbox box;
    testing_support::DiffracPlusFile f;
    testing_support::DiffracPlusRange r;
    r.counts = {1, 2, 3};
    f.ranges = {r, r};
    f.ranges[1].counts = {9};
    // The header claims a third range the file does not hold: the note still follows the header's count.
    f.rangeCount = 3;
    const std::string path = box.Write("m.raw", testing_support::WriteDiffracPlus(f));
    CXRDData d;
    ASSERT_EQ(d.DoReadFile(path.c_str(), 0), 1);
    EXPECT_EQ(Column(d, CGraphData::Y), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(d.m_strSampleInfo, "\nOnly the first data range was used.");
    EXPECT_TRUE(box.ui.messages.empty());
}
