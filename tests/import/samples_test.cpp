// Real instrument files: every UDF, CPI and text sample is recognised and read through the driver.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "import/import_support.h"

using import_testing::Column;
using import_testing::ImportSandbox;
using testing_support::SamplesDir;

namespace {

struct Sample {
    const char* file;
    int format;
    int points;
    double firstX;
    double step;  // 0: not checked
};

void ExpectRead(const Sample& s) {
    SCOPED_TRACE(s.file);
    ImportSandbox box;
    const std::string path = SamplesDir() + "/" + s.file;
    CFileImporter imp(nullptr);
    EXPECT_EQ(imp.DetectFormat(path), s.format);
    CXRDData d;
    ASSERT_EQ(d.DoReadFile(path.c_str(), CFileImporter::FormatAuto), 1);
    EXPECT_EQ(d.m_strFileName, path);
    ASSERT_EQ(d.GetSize(), s.points);
    EXPECT_NEAR(d.GetAt(CGraphData::X, 0), s.firstX, 1e-9);
    if (s.step > 0) {
        EXPECT_NEAR(d.GetAt(CGraphData::X, s.points - 1), s.firstX + (s.points - 1) * s.step, 1e-6);
    }
    EXPECT_TRUE(box.ui.messages.empty()) << box.ui.messages[0].text;
}

}  // namespace

TEST(ImportSamples, UdfFiles) {
    XRD_REQUIRE_SAMPLES();
    const Sample samples[] = {{"udf/ZEOLITE.UDF", 5, 1700, 2.0, 0.04},
                              {"udf/01R1_73.UDF", 5, 3401, 2.0, 0.02},
                              {"udf/sample1_convert.udf", 5, 1696, 10.0, 0.02},
                              {"udf/sample2.udf", 5, 876, 5.0, 0.04},
                              {"udf/PbCrF1.udf", 5, 14501, 5.0, 0.01}};
    for (const Sample& s : samples) ExpectRead(s);

    ImportSandbox box;
    CXRDData d;
    ASSERT_EQ(d.DoReadFile((SamplesDir() + "/udf/01R1_73.UDF").c_str(), CFileImporter::FormatUdf), 1);
    EXPECT_EQ(d.m_strSampleName, "SS001548953 BULK");
    EXPECT_EQ(d.m_strSampleInfo, "PC-APD Software Version 3.6f");  // the first title is empty
    EXPECT_EQ(d.m_Radiation.GetTargetName(), "Cu");
    EXPECT_EQ(d.m_Radiation.IsKa2(), 0);  // "MonochromatorUsed,YES"
    EXPECT_EQ(d.m_CollectionDate, COleDateTime(2003, 6, 6, 14, 29, 0));
    EXPECT_EQ(d.GetAt(CGraphData::Y, 0), 119.0);
    ASSERT_EQ(d.DoReadFile((SamplesDir() + "/udf/ZEOLITE.UDF").c_str(), CFileImporter::FormatUdf), 1);
    EXPECT_EQ(d.m_strSampleInfo, "Philips Analytical\nPC-APD, Diffraction software");
    EXPECT_EQ(d.m_Radiation.IsKa2(), 1);
}

TEST(ImportSamples, CpiFile) {
    XRD_REQUIRE_SAMPLES();
    // The last value has no line end and is dropped.
    ExpectRead({"cpi/pyxrd_test_cpi_parser_embedded.cpi", 6, 36, 3.01, 0.02});
    ImportSandbox box;
    CXRDData d;
    ASSERT_EQ(d.DoReadFile((SamplesDir() + "/cpi/pyxrd_test_cpi_parser_embedded.cpi").c_str(), 0), 1);
    EXPECT_EQ(d.m_strSampleName, "08-946 Sample");
    EXPECT_EQ(d.m_strSampleInfo, "SIETRONICS XRD SCAN");
    EXPECT_EQ(d.m_Radiation.GetTargetName(), "Cu");
    EXPECT_EQ(d.m_CollectionDate.GetStatus(), COleDateTime::valid);
    EXPECT_EQ(d.GetAt(CGraphData::Y, 0), 60.0);
}

TEST(ImportSamples, TextFiles) {
    XRD_REQUIRE_SAMPLES();
    const Sample samples[] = {{"xy/xy_text.txt", 1, 4001, 0, 0},   {"xy/with_sigma.txt", 1, 3, 20.0, 0.02},
                              {"xy/nacl01.dat", 1, 840, 0, 0},     {"xy/qtzquin.asc", 1, 301, 67.0, 0.01},
                              {"xy/corklz20.asc", 1, 2501, 10.0, 0.02}, {"xy/Tutorial_4.xye", 1, 2701, 0, 0}};
    for (Sample s : samples) {
        // First angles read from the file where they were not written down above.
        if (s.firstX == 0) {
            s.firstX = std::atof(testing_support::ReadFile(SamplesDir() + "/" + s.file).c_str());
        }
        ExpectRead(s);
    }
    // The reader keeps the file's own errors (the driver then derives them from the chosen error model).
    ImportSandbox box;
    CXRDData d;
    CFileImporter imp(&d);
    ASSERT_EQ(imp.ReadTextFile(SamplesDir() + "/xy/with_sigma.txt"), 1);
    EXPECT_EQ(Column(d, CGraphData::YError), (std::vector<double>{0.5, 0.1, 0.3}));
}

// Files of other makers' formats are recognised by none of the text tests.
TEST(ImportSamples, ForeignFilesAreNotTakenForText) {
    XRD_REQUIRE_SAMPLES();
    ImportSandbox box;
    CFileImporter imp(nullptr);
    for (const char* f : {"other/sio250.raw", "other/garnet.raw", "other/brk_raw1.raw", "other/bruker_raw4.raw",
                          "stoe/stoe.raw", "bruker-raw3/BT86.raw", "bruker-raw2/QTZQUIN.RAW"}) {
        SCOPED_TRACE(f);
        const std::string path = SamplesDir() + "/" + f;
        EXPECT_EQ(imp.IsUdfFile(path), 0);
        EXPECT_EQ(imp.IsCpiFile(path), 0);
        EXPECT_EQ(imp.IsCranfieldFile(path), 0);
        EXPECT_EQ(imp.IsTextFile(path), 0);
    }
    // A wavelength alone on the first line: not two-column text, and no other format either.
    EXPECT_EQ(imp.DetectFormat(SamplesDir() + "/xy/Tutorial_04.xye"), CFileImporter::FormatUnknown);
    EXPECT_TRUE(box.ui.messages.empty());
}
