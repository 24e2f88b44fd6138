// Text handling of the platform: the printf dialect with three-digit exponents, number scanning as formatted input
// does it, and text files read in pieces with CR LF translation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "support/support.h"
#include "xrddata/platform/scan.h"
#include "xrddata/platform/stdiofile.h"
#include "xrddata/platform/strutil.h"

using namespace testing_support;

TEST(Format, ExponentsHaveAtLeastThreeDigits) {
    EXPECT_EQ(Format("%g", 123456789.0), "1.23457e+008");
    EXPECT_EQ(Format("%g", 1.5e-7), "1.5e-007");
    EXPECT_EQ(Format("%g", 1e300), "1e+300");
    EXPECT_EQ(Format("%g", 10.5), "10.5");
    EXPECT_EQ(Format("%.3e|%E", 12346.0, 0.5), "1.235e+004|5.000000E-001");
    EXPECT_EQ(Format("%d %s %5.2f %x %%", -3, "ab", 3.14159, 255), "-3 ab  3.14 ff %");
    EXPECT_EQ(Format("range %d.", 7), "range 7.");
    EXPECT_EQ(Format("%*d|%-4s|", 4, 7, "a"), "   7|a   |");
    CString s = "x=";
    AppendG(s, 2.5e10);
    EXPECT_EQ(s, "x=2.5e+010");
}

TEST(Scan, ReadsWhatFormattedInputReads) {
    double v[3];
    EXPECT_EQ(ScanDoubles("1 4\n", v, 3), 2);
    EXPECT_EQ(v[1], 4.0);
    EXPECT_EQ(ScanDoubles("  -2.5e+3\t+7  0x1p4 trailing", v, 3), 3);
    EXPECT_EQ(v[0], -2500.0);
    EXPECT_EQ(v[2], 16.0);
    EXPECT_EQ(ScanDoubles("inf nan -INF", v, 3), 3);
    EXPECT_TRUE(std::isinf(v[0]) && std::isnan(v[1]) && v[2] < 0);
    EXPECT_EQ(ScanDoubles("1,4", v, 3), 1);  // a comma is not a separator
    EXPECT_EQ(ScanDoubles("two theta", v, 3), 0);
    EXPECT_EQ(ScanDoubles("   \n", v, 3), -1);
    EXPECT_EQ(ScanDoubles("", v, 3), -1);
    // Where strtod and formatted input differ, the result is formatted input's.
    for (const char* text : {"100ergs 5", "1e 2", "0x 3", "1.5e+ 2", "-", "+.e1", "5 6e", "nanx 1", "7 -"}) {
        double a[3] = {0, 0, 0}, b[3] = {0, 0, 0};
        int expected = std::sscanf(text, "%lf %lf %lf", &b[0], &b[1], &b[2]);
        EXPECT_EQ(ScanDoubles(text, a, 3), expected) << text;
        for (int i = 0; i < expected; ++i) EXPECT_TRUE(a[i] == b[i] || (std::isnan(a[i]) && std::isnan(b[i]))) << text;
    }
    EXPECT_EQ(CAtof("1,5406"), 1.0);
    EXPECT_EQ(CAtof(" 1.54056xyz"), 1.54056);
}

TEST(StdioFile, ReadsPiecesLikeFgetsAndTranslatesLineEnds) {
    TempDir dir;
    std::string long300(300, 'a');
    WriteFile(dir.file("t.txt"), "one\r\ntwo\n" + long300 + "\r\nlone\rcr\nlast");
    CStdioFile f;
    ASSERT_TRUE(f.Open(dir.file("t.txt").c_str(), CFile::modeRead | CFile::typeText));
    char buf[256];
    std::vector<std::string> pieces;
    while (f.ReadString(buf, sizeof buf)) pieces.push_back(buf);
    ASSERT_EQ(pieces.size(), 6u);
    EXPECT_EQ(pieces[0], "one\n");
    EXPECT_EQ(pieces[1], "two\n");
    EXPECT_EQ(pieces[2], std::string(255, 'a'));
    EXPECT_EQ(pieces[3], std::string(45, 'a') + "\n");
    EXPECT_EQ(pieces[4], "lone\rcr\n");
    EXPECT_EQ(pieces[5], "last");

    CStdioFile g(dir.file("t.txt").c_str(), CFile::modeRead);
    CString line;
    ASSERT_TRUE(g.ReadString(line));
    EXPECT_EQ(line, "one");

    CStdioFile out(dir.file("w.txt").c_str(), CFile::modeCreate | CFile::modeWrite);
    out.WriteString("a\nb\n");
    out.Close();
    EXPECT_EQ(ReadFile(dir.file("w.txt")), "a\r\nb\r\n");
}

TEST(File, OpenFailuresCarryTheOsError) {
    TempDir dir;
    CFile f;
    CFileException e;
    EXPECT_FALSE(f.Open(dir.file("missing").c_str(), CFile::modeRead, &e));
    EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    EXPECT_NE(e.GetErrorMessage().find("No such file"), std::string::npos);
    EXPECT_FALSE(f.Open(dir.path().c_str(), CFile::modeRead, &e));  // a folder is not a file
    EXPECT_EQ(e.m_cause, CFileException::accessDenied);
    EXPECT_THROW(CFile(dir.file("missing").c_str(), CFile::modeRead), CFileException);
}
