// Two-column text, Cranfield and Diffraction Technology CPI files.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cfloat>
#include <cmath>
#include <ctime>

#include "import/import_support.h"
#include "xrddata/formats/read.h"
#include "xrddata/platform/ui.h"

using import_testing::Column;
using import_testing::CpiFile;
using import_testing::CranfieldFile;
using import_testing::ImportSandbox;
using import_testing::UdfFile;

namespace {

// A sandbox of its own and an importer that fills d, for each test; the recognition tests detect without a target.
class TextFiles : public ::testing::Test {
protected:
    ImportSandbox box;
    CXRDData d;
    CFileImporter imp{&d};
    CFileImporter detector{nullptr};
};

class TextReader : public TextFiles {};
class CranfieldReader : public TextFiles {};
class CpiReader : public TextFiles {};
class LegacyTextReaders : public TextFiles {};

}  // namespace

TEST_F(TextReader, PointsErrorsNameAndDate) {
    // Unsorted points, one line with its own error, a zero intensity, a final line without a line end.
    std::string path = box.Write("scan one  ", "12.5 16\n10.0 0\r\n11.0\t9 0.5\n13 4");
    ASSERT_EQ(imp.IsTextFile(path), 1);
    ASSERT_EQ(imp.ReadTextFile(path), 1);
    EXPECT_EQ(Column(d, CGraphData::X), (std::vector<double>{10.0, 11.0, 12.5}));
    EXPECT_EQ(Column(d, CGraphData::Y), (std::vector<double>{0.0, 9.0, 16.0}));
    EXPECT_EQ(Column(d, CGraphData::YError), (std::vector<double>{DBL_MIN, 0.5, 4.0}));
    EXPECT_TRUE(d.IsCustomErrors());
    EXPECT_EQ(d.m_strSampleName, "scan one");
    // The file's modification time in local time.
    struct stat st {};
    std::tm local{};
    ASSERT_TRUE(stat(path.c_str(), &st) == 0 && localtime_r(&st.st_mtime, &local));
    EXPECT_EQ(d.m_CollectionDate, COleDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                               local.tm_min, local.tm_sec));
    EXPECT_TRUE(box.ui.messages.empty());

    // Two numbers on every line: counting statistics.
    std::string two = box.Write("two.xy", "1 4\n2 9\n");
    ASSERT_EQ(imp.ReadTextFile(two), 1);
    EXPECT_FALSE(d.IsCustomErrors());
    EXPECT_EQ(Column(d, CGraphData::YError), (std::vector<double>{2.0, 3.0}));
}

// The import fills the pattern's columns itself; they must hold what the format core's scan holds, also when the
// room estimated from the first 64 KiB falls short (long lines first, then many short ones) and when the first
// line with its own error comes after the columns have grown.
TEST_F(TextReader, ColumnsEqualTheCoreScanWhenTheEstimateFallsShort) {
    std::string text;
    int i = 0;
    for (; text.size() < (1u << 16); ++i) text += std::to_string(i) + ".0000000000000000000 100.00000000000000000000\n";
    for (int k = 0; k < 20000; ++k, ++i) text += std::to_string(i) + " " + std::to_string(k % 97) + "\n";
    text += std::to_string(i++) + " 5 0.25\n";
    for (int k = 0; k < 3000; ++k, ++i) text += std::to_string(i) + " " + std::to_string(k % 13) + "\n";
    const std::string path = box.Write("grow.xy", text);
    ASSERT_EQ(imp.ReadTextFile(path), 1);
    const xrddata::formats::Measurement m = xrddata::formats::read_file(path, 1);
    const xrddata::formats::Scan& s = m.scans.at(0);
    ASSERT_GT(s.size(), 20000u);
    EXPECT_EQ(Column(d, CGraphData::X), s.two_theta);
    EXPECT_EQ(Column(d, CGraphData::Y), s.counts);
    EXPECT_EQ(Column(d, CGraphData::YError), s.sigma);
    EXPECT_TRUE(d.IsCustomErrors());
}

// A single point is too few to detect a feature width (-1): the fixed width and U, V, W keep the stored values instead of
// taking -1 as a width.
TEST_F(TextReader, TooFewPointsForAWidthKeepTheStoredWidth) {
    const double fixed = d.m_dFixedWidth;
    ASSERT_TRUE(d.m_bAutoWidth);
    ASSERT_EQ(d.DoReadFile(box.Write("one.xy", "10 5\n").c_str(), 1), 1);
    EXPECT_EQ(d.m_dDetectedWidth, -1.0);
    EXPECT_EQ(d.m_dFixedWidth, fixed);
    if (d.m_nWidthType == 0) {
        EXPECT_EQ(d.m_dW, fixed * fixed);
    }
}

TEST_F(TextReader, RefusalsAndBadLines) {
    std::string lone = box.Write("lone.xy", "1.78897\n10 20\n");
    EXPECT_EQ(imp.IsTextFile(lone), 0);
    EXPECT_EQ(imp.ReadTextFile(lone), 0);
    std::string word = box.Write("word.xy", "10 20\n11 abc\n");
    EXPECT_EQ(imp.IsTextFile(word), 1);
    EXPECT_EQ(imp.ReadTextFile(word), 0);
    std::string blank = box.Write("blank.xy", "10 20\n\n11 30\n");
    EXPECT_EQ(imp.ReadTextFile(blank), 0);
    ASSERT_EQ(box.ui.messages.size(), 3u);
    EXPECT_EQ(box.ui.messages[0].text, lone + " is not a valid text file");
    EXPECT_EQ(box.ui.messages[0].type, MB_ICONEXCLAMATION | MB_OK);
    EXPECT_EQ(box.ui.messages[1].text, "Bad x,y (error) values");
    EXPECT_EQ(box.ui.messages[1].type, MB_ICONEXCLAMATION | MB_OK);
    EXPECT_EQ(box.ui.messages[2].text, "Bad x,y (error) values");

    // A first line that is the only one and has no line end: recognised, but no data line.
    std::string one = box.Write("one.xy", "1 2");
    EXPECT_EQ(imp.ReadTextFile(one), 1);
    EXPECT_EQ(d.GetSize(), 0);

    CFileImporter noTarget(nullptr);
    EXPECT_EQ(noTarget.ReadTextFile(box.Write("ok.xy", "1 2\n")), 0);
    EXPECT_EQ(box.ui.messages.size(), 3u);
}

TEST_F(CranfieldReader, RecognitionRules) {
    auto is = [&](const std::string& bytes) { return detector.IsCranfieldFile(box.Write("c.cr", bytes)); };
    EXPECT_EQ(is(CranfieldFile("5\n6\n")), 1);
    EXPECT_EQ(is(CranfieldFile("")), 1);              // no fifth line: the reader finds no data
    EXPECT_EQ(is(CranfieldFile("5 counts\n")), 0);    // a number followed by a word
    EXPECT_EQ(is(CranfieldFile("5 6\n")), 0);
    EXPECT_EQ(is(CranfieldFile("\n")), 0);            // an empty fifth line is no number
    EXPECT_EQ(is(CranfieldFile("5\n", "0")), 0);      // no points
    EXPECT_EQ(is(CranfieldFile("5\n", "x")), 0);
    EXPECT_EQ(is(CranfieldFile("5\n", "3", "-1")), 0);  // negative start
    EXPECT_EQ(is(CranfieldFile("5\n", "3", "0")), 1);
    EXPECT_EQ(is(CranfieldFile("5\n", "3", "10", "0")), 0);
    EXPECT_EQ(is("title\n3\n10\n"), 0);               // ends before the step
    EXPECT_EQ(is("title\n3\n10\n0.02"), 1);           // a step line without line end still counts
    EXPECT_TRUE(box.ui.messages.empty());
}

TEST_F(CranfieldReader, SkipsWordsWithoutAdvancingTheAngle) {
    std::string path = box.Write("c.cr", CranfieldFile("5\nx\n7\n9"));
    ASSERT_EQ(imp.ReadCranfieldFile(path), 1);
    EXPECT_EQ(Column(d, CGraphData::X), (std::vector<double>{10.0, 10.02}));
    EXPECT_EQ(Column(d, CGraphData::Y), (std::vector<double>{5.0, 7.0}));
    EXPECT_FALSE(d.IsCustomErrors());
    EXPECT_EQ(d.m_strSampleName, "Cranfield title");
    EXPECT_TRUE(box.ui.messages.empty());

    std::string empty = box.Write("e.cr", CranfieldFile(""));
    EXPECT_EQ(imp.ReadCranfieldFile(empty), 0);
    std::string bad = box.Write("b.cr", CranfieldFile("5 counts\n"));
    EXPECT_EQ(imp.ReadCranfieldFile(bad), 0);
    ASSERT_EQ(box.ui.messages.size(), 2u);
    EXPECT_EQ(box.ui.messages[0].text, "File appears to contain no data");
    EXPECT_EQ(box.ui.messages[0].type, MB_OK);
    EXPECT_EQ(box.ui.messages[1].text, bad + " is not a valid Cranfield file");
    EXPECT_EQ(box.ui.messages[1].type, MB_ICONEXCLAMATION | MB_OK);
}

TEST_F(CpiReader, RecognitionRules) {
    auto is = [&](const std::string& bytes) { return detector.IsCpiFile(box.Write("f.cpi", bytes)); };
    EXPECT_EQ(is(CpiFile("1\n")), 1);
    EXPECT_EQ(is(CpiFile("", "scandata")), 1);
    EXPECT_EQ(is(CpiFile("", "ScanData and more")), 1);
    EXPECT_EQ(is(CpiFile("", "SCAN")), 0);
    EXPECT_EQ(is(CpiFile("", "SCANDATA", "Cu", "0")), 0);           // no wavelength
    EXPECT_EQ(is(CpiFile("", "SCANDATA", "Cu", "1.5", "10", "10")), 0);  // end not above start
    EXPECT_EQ(is(CpiFile("", "SCANDATA", "Cu", "1.5", "10", "20", "0")), 0);
    EXPECT_EQ(is("Title\n10\n20\n0.02\nCu\n1.54\n"), 0);  // header cut short
    EXPECT_TRUE(box.ui.messages.empty());
}

TEST_F(CpiReader, HeaderRadiationAndPoints) {
    ASSERT_EQ(imp.ReadCpiFile(box.Write("a.cpi", CpiFile("100\n0\n-4\n25\n"))), 1);
    EXPECT_EQ(d.m_strSampleName, "My sample");
    EXPECT_EQ(d.m_strSampleInfo, "Title line");
    EXPECT_EQ(d.m_CollectionDate, COleDateTime(2004, 3, 25, 14, 22, 5));
    EXPECT_EQ(d.m_Radiation.GetTargetName(), "Cu");
    // The angle advances by repeated addition of the step.
    EXPECT_EQ(Column(d, CGraphData::X), (std::vector<double>{10.0, 10.0 + 0.02, 10.0 + 0.02 + 0.02,
                                                             10.0 + 0.02 + 0.02 + 0.02}));
    EXPECT_EQ(Column(d, CGraphData::Y), (std::vector<double>{100, 0, -4, 25}));
    EXPECT_FALSE(d.IsCustomErrors());

    // An unknown anode with the wavelength of a known one selects that one; an unknown wavelength stays free.
    ASSERT_EQ(imp.ReadCpiFile(box.Write("b.cpi", CpiFile("", "SCANDATA", "Unobtainium", "1.78897"))), 1);
    EXPECT_EQ(d.m_Radiation.GetTargetName(), "Co");
    ASSERT_EQ(imp.ReadCpiFile(box.Write("c.cpi", CpiFile("", "SCANDATA", "Unobtainium", "1.2345"))), 1);
    EXPECT_EQ(d.m_Radiation.GetTargetName(), "");
    EXPECT_EQ(d.m_Radiation.GetLambda(), 1.2345);
    EXPECT_EQ(d.GetSize(), 0);
    EXPECT_TRUE(box.ui.messages.empty());

    // A bad date is kept invalid; a data line that is not a number ends the read.
    std::string bad = CpiFile("5\nabc\n");
    bad.replace(bad.find("03/25/2004 14:22:05"), 19, "yesterday");
    EXPECT_EQ(imp.ReadCpiFile(box.Write("d.cpi", bad)), 0);
    EXPECT_EQ(d.m_CollectionDate.GetStatus(), COleDateTime::invalid);
    std::string notCpi = box.Write("e.cpi", CpiFile("", "SCAN"));
    EXPECT_EQ(imp.ReadCpiFile(notCpi), 0);
    ASSERT_EQ(box.ui.messages.size(), 2u);
    EXPECT_EQ(box.ui.messages[0].text, "Missing y value");
    EXPECT_EQ(box.ui.messages[0].type, MB_ICONEXCLAMATION | MB_OK);
    EXPECT_EQ(box.ui.messages[1].text, notCpi + " is not a valid Diffraction Technology file");
    EXPECT_EQ(box.ui.messages[1].type, MB_ICONEXCLAMATION | MB_OK);
}

// A nan or inf that the format test lets through: the format's own message (UDF fails silently), no pattern change
// but CPI's header before a bad intensity, as for a word there.
TEST_F(LegacyTextReaders, NonFiniteNumbersGetTheFormatsMessages) {
    EXPECT_EQ(imp.ReadCpiFile(box.Write("y.cpi", CpiFile("5\nnan\n"))), 0);
    EXPECT_EQ(d.m_strSampleName, "My sample");
    d.m_strSampleName = "kept";
    const std::string files[] = {box.Write("e.cpi", CpiFile("5\n", "SCANDATA", "Cu", "1.5406", "10", "inf")),
                                 box.Write("c.cr", CranfieldFile("5\ninf\n")),
                                 box.Write("m.mdi", "03/25/04 x\r\n10 0.02 1 CU 1.54 10.04 3\r\n1 nan 3\r\n"),
                                 box.Write("u.udf", UdfFile("1, 2, 3, 4, 5, 6, 7, 8\r\n-inf\r\n"))};
    EXPECT_EQ(imp.IsCpiFile(files[0]) + imp.IsCranfieldFile(files[1]) + imp.IsMdiFile(files[2]) +
                  imp.IsUdfFile(files[3]),
              4);
    EXPECT_EQ(imp.ReadCpiFile(files[0]) + imp.ReadCranfieldFile(files[1]) + imp.ReadMdiFile(files[2]) +
                  imp.ReadUdfFile(files[3]),
              0);
    EXPECT_EQ(d.m_strSampleName, "kept");
    EXPECT_EQ(box.Texts(), (std::vector<std::string>{"Missing y value",
                                                     files[0] + " is not a valid Diffraction Technology file",
                                                     files[1] + " is not a valid Cranfield file",
                                                     files[2] + " is not a valid MDI file"}));
}
