// Philips UDF files.
#include <gtest/gtest.h>

#include "import/import_support.h"

using import_testing::Column;
using import_testing::ImportSandbox;
using import_testing::UdfFile;

namespace {

const char kEight[] = "     119,     106,      96,     104,      96,      88,      92,      81\r\n";

}  // namespace

TEST(UdfReader, Recognition) {
    ImportSandbox box;
    CFileImporter imp(nullptr);
    auto is = [&](const std::string& bytes) { return imp.IsUdfFile(box.Write("f.udf", bytes)); };
    EXPECT_EQ(is(UdfFile(kEight)), 1);
    EXPECT_EQ(is(UdfFile("1, 2, 3, 4, 5, 6, 7\r\n")), 0);  // the first data line must hold eight values
    EXPECT_EQ(is(UdfFile("")), 0);
    // The three keys within the first 50 lines.
    std::string filler;
    for (int i = 0; i < 41; ++i) filler += "Comment,line,/\r\n";
    EXPECT_EQ(is(UdfFile(kEight, filler.substr(0, 40 * 16))), 1);  // "RawScan" is line 50
    EXPECT_EQ(is(UdfFile(kEight, filler)), 0);                       // line 51
    EXPECT_EQ(is("DataAngleRange,1,2,/\nRawScan\n" + std::string(kEight)), 0);  // no step key
    EXPECT_TRUE(box.ui.messages.empty());
}

TEST(UdfReader, HeaderValuesAndPoints) {
    ImportSandbox box;
    CXRDData d;
    CFileImporter imp(&d);
    ASSERT_EQ(imp.ReadUdfFile(box.Write("a.udf", UdfFile(std::string(kEight) + "\r\n100, 200, 300,/\r\n\x1a"))), 1);
    EXPECT_EQ(d.m_strSampleName, "Quartz std");
    EXPECT_EQ(d.m_strSampleInfo, "First\nSecond");
    EXPECT_EQ(d.m_CollectionDate, COleDateTime(1995, 3, 15, 9, 38, 0));
    EXPECT_EQ(d.m_Radiation.GetTargetName(), "Cu");
    EXPECT_EQ(d.m_Radiation.IsKa2(), 1);
    ASSERT_EQ(d.GetSize(), 11);
    EXPECT_EQ(Column(d, CGraphData::Y),
              (std::vector<double>{119, 106, 96, 104, 96, 88, 92, 81, 100, 200, 300}));
    for (int i = 0; i < 11; ++i) EXPECT_EQ(d.GetAt(CGraphData::X, i), 10.0 + i * 0.02);
    EXPECT_TRUE(box.ui.messages.empty());
}

TEST(UdfReader, RadiationRules) {
    ImportSandbox box;
    CXRDData d;
    CFileImporter imp(&d);
    auto read = [&](const std::string& header) {
        return imp.ReadUdfFile(box.Write("r.udf", header + "DataAngleRange,10.0,80.0\nScanStepSize,0.02\nRawScan\n1\n"));
    };
    // A monochromator: K-alpha2 off; without the line the radiation keeps its own setting.
    ASSERT_EQ(read("Anode,Cu,/\nMonochromatorUsed,YES ,/\n"), 1);
    EXPECT_EQ(d.m_Radiation.IsKa2(), 0);
    d.m_Radiation.SetKa2(0);
    ASSERT_EQ(read("Anode,Cu,/\n"), 1);  // the cleared pattern's radiation: K-alpha2 present
    EXPECT_EQ(d.m_Radiation.IsKa2(), 1);
    // The wavelength line counts only without an anode.
    ASSERT_EQ(read("LabdaAlpha1, 1.78897,/\n"), 1);
    EXPECT_EQ(d.m_Radiation.GetTargetName(), "");
    EXPECT_EQ(d.m_Radiation.GetLambda(), 1.78897);
    ASSERT_EQ(read("Anode,Co,/\nLabdaAlpha1, 1.2,/\n"), 1);
    EXPECT_EQ(d.m_Radiation.GetTargetName(), "Co");
    ASSERT_EQ(read(""), 1);
    EXPECT_EQ(d.m_Radiation.GetLambda(), 1.54056);
    // A date that does not parse leaves the cleared pattern's date.
    CXRDData fresh(0);
    ASSERT_EQ(read("FileDateTime,sometime,/\n"), 1);
    EXPECT_EQ(d.m_CollectionDate, fresh.m_CollectionDate);
    EXPECT_TRUE(box.ui.messages.empty());
}

TEST(UdfReader, SilentFailures) {
    ImportSandbox box;
    CXRDData d;
    CFileImporter imp(&d);
    auto read = [&](const std::string& bytes) { return imp.ReadUdfFile(box.Write("s.udf", bytes)); };
    EXPECT_EQ(read("DataAngleRange,10.0,80.0\nRawScan\n1, 2\n"), 0);             // no step before RawScan
    EXPECT_EQ(read("ScanStepSize,0.02\nDataAngleRange,10.0\nRawScan\n1\n"), 0);  // one number in the range
    EXPECT_EQ(read("DataAngleRange,10.0,80.0\nScanStepSize,fine\nRawScan\n1\n"), 0);
    EXPECT_EQ(read("DataAngleRange,10.0,80.0\nScanStepSize,0.02\nRawScan\n\n/\n"), 0);  // no values
    EXPECT_EQ(read("DataAngleRange,10.0,80.0\nScanStepSize,0.02\n"), 0);                // no RawScan
    EXPECT_EQ(read("DataAngleRange,10.0,80.0\nScanStepSize,0.02\nRawScan"), 0);         // bare key at the end
    // Blanks after the key's comma do not matter.
    ASSERT_EQ(read("DataAngleRange,   10.0, 80.0\nScanStepSize,0.5\nRawScan\n1,2\n"), 1);
    EXPECT_EQ(Column(d, CGraphData::X), (std::vector<double>{10.0, 10.5}));
    EXPECT_TRUE(box.ui.messages.empty());
}
