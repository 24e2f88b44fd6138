// The library pieces behind the tool: number and JSON text, pattern archive files, the named settings, the error
// model option, SVG escaping and axis ticks.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "support/support.h"
#include "xrddata/io/defaults.h"
#include "xrddata/io/json.h"
#include "xrddata/io/pointfile.h"
#include "xrddata/io/processing.h"
#include "xrddata/io/xrddfile.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/exceptions.h"
#include "plot/axis.h"
#include "plot/svg.h"

using testing_support::Bytes;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

TEST(ToolText, NumbersAndJson) {
    EXPECT_EQ(ShortestNumber(20.0), "20");
    EXPECT_EQ(ShortestNumber(0.02), "0.02");
    EXPECT_EQ(ShortestNumber(20.0 + 3 * 0.02), "20.06");
    EXPECT_EQ(ShortestNumber(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(ShortestNumber(1.5e-300), "1.5e-300");
    EXPECT_EQ(ShortestNumber(-0.0), "-0");
    EXPECT_EQ(ShortestNumber(std::nan("")), "nan");
    EXPECT_EQ(JsonNumber(std::numeric_limits<double>::infinity()), "null");
    EXPECT_EQ(JsonString("a\"b\\c\nd\x01\xc3\xa9"), "\"a\\\"b\\\\c\\nd\\u0001\xc3\xa9\"");

    const double x[] = {1.0, 2.0}, y[] = {4.0, 9.0}, e[] = {0.5, 0.25};
    CGraphData counting(2, x, y, nullptr);
    EXPECT_EQ(XyeText(counting), "1 4 2\n2 9 3\n");  // counting errors in that mode
    CGraphData custom(2, x, y, e);
    EXPECT_EQ(CsvText(custom), "two_theta,intensity,error\n1,4,0.5\n2,9,0.25\n");
    EXPECT_THROW(WriteXyeFile(custom, "/nonexistent-dir/x.xye"), CFileException);
}

TEST(ToolArchive, FilesAndDamagedFiles) {
    TempDir dir;
    const double x[] = {10.0, 10.5, 11.0}, y[] = {5.0, 50.0, 6.0}, e[] = {1.0, 2.0, 3.0};
    CXRDData p(3, x, y, e);
    p.m_strSampleName = "quartz";
    p.m_dZeroError = 0.05;
    p.m_nTypeFlag = 3;
    const std::string path = dir.file("p.xrdd");
    SavePatternFile(p, path);
    const std::string bytes = ReadFile(path);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x40\x18\x24\x37\x01\x00\x00\x00", 8));
    EXPECT_TRUE(IsPatternFile(path));

    CXRDData back(0);
    LoadPatternFile(back, path);
    EXPECT_EQ(back.GetSize(), 3);
    EXPECT_EQ(back.m_strSampleName, "quartz");
    EXPECT_EQ(back.GetAt(CGraphData::YError, 2), 3.0);
    EXPECT_EQ(back.m_dZeroError, 0.05);  // the file's, not the target's
    EXPECT_EQ(back.m_nTypeFlag, 3);

    // Wrong magic, unknown version, every cut: an exception and the target unchanged.
    WriteFile(dir.file("magic.xrdd"), "\x41" + bytes.substr(1));
    EXPECT_FALSE(IsPatternFile(dir.file("magic.xrdd")));
    try {
        LoadPatternFile(back, dir.file("magic.xrdd"));
        ADD_FAILURE() << "no exception";
    } catch (const CArchiveException& ex) {
        EXPECT_EQ(ex.m_cause, CArchiveException::badIndex);
    }
    WriteFile(dir.file("version.xrdd"), bytes.substr(0, 4) + std::string("\x02\x00\x00\x00", 4) + bytes.substr(8));
    try {
        LoadPatternFile(back, dir.file("version.xrdd"));
        ADD_FAILURE() << "no exception";
    } catch (const CArchiveException& ex) {
        EXPECT_EQ(ex.m_cause, CArchiveException::badSchema);
    }
    for (size_t cut = 0; cut < bytes.size(); cut += 7) {
        WriteFile(dir.file("cut.xrdd"), bytes.substr(0, cut));
        EXPECT_ANY_THROW(LoadPatternFile(back, dir.file("cut.xrdd"))) << cut;
        EXPECT_EQ(back.m_strSampleName, "quartz") << cut;
        EXPECT_EQ(back.GetSize(), 3) << cut;
    }
    EXPECT_FALSE(IsPatternFile(dir.file("absent.xrdd")));
}

TEST(ToolSettings, NamedValuesAndErrorModels) {
    ProcessingDefaults d = FactoryDefaults();
    EXPECT_EQ(GetSetting(d, "backgroundlength"), "5");
    EXPECT_EQ(GetSetting(d, "W"), "0.01");
    SetSetting(d, "esds", " 2.5 ");
    EXPECT_EQ(d.esds, 2.5);
    SetSetting(d, "WidthType", "1");
    EXPECT_EQ(d.widthType, 1);
    const auto message = [&](const char* name, const char* value) {
        try {
            SetSetting(d, name, value);
        } catch (const std::invalid_argument& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(message("Width", "1"), "unknown setting \"Width\"");
    EXPECT_EQ(message("AutoWidth", "2"), "AutoWidth needs an integer from 0 to 1, not \"2\"");
    EXPECT_EQ(message("CountType", "1.5"), "CountType needs an integer from 0 to 2, not \"1.5\"");
    EXPECT_EQ(message("U", "inf"), "U needs a number, not \"inf\"");
    EXPECT_EQ(message("U", ""), "U needs a number, not \"\"");
    EXPECT_EQ(message("U", "1e999"), "U needs a number, not \"1e999\"");

    ProcessOptions o;
    ParseErrorModel("Scaled=4", o);
    EXPECT_EQ(*o.countType, 1);
    EXPECT_EQ(*o.scaleFactor, 4.0);
    ParseErrorModel("time=2", o);
    EXPECT_EQ(*o.countType, 2);
    EXPECT_EQ(*o.esds, 2.0);
    ParseErrorModel("raw", o);
    EXPECT_EQ(*o.countType, 0);
    for (const char* bad : {"", "scaled", "scaled=", "scaled=0", "time=-1", "time=x", "poisson"})
        EXPECT_THROW(ParseErrorModel(bad, o), std::invalid_argument) << bad;
}

TEST(ToolPlot, SvgEscapesAndAxes) {
    SvgWriter svg(10, 20);
    svg.Open("g", {{"id", "a<&\"'>"}});
    svg.Text("text", {}, "x < y & \x01");
    const std::string doc = svg.Finish();  // closes the group and the root
    EXPECT_EQ(doc,
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"20\" viewBox=\"0 0 10 20\">\n"
              " <g id=\"a&lt;&amp;&quot;&apos;&gt;\">\n"
              "  <text>x &lt; y &amp;  </text>\n"
              " </g>\n"
              "</svg>\n");
    EXPECT_EQ(SvgWriter::Num(12.345), "12.35");
    EXPECT_EQ(SvgWriter::Num(-0.001), "0");
    EXPECT_EQ(SvgWriter::Num(std::nan("")), "0");

    const AxisScale a = LinearAxis(20.0, 80.0, 10, false);
    EXPECT_EQ(a.step, 5.0);
    EXPECT_EQ(a.ticks.size(), 13u);
    EXPECT_EQ(a.ticks.front(), 20.0);
    EXPECT_EQ(a.ticks.back(), 80.0);
    const AxisScale c = LinearAxis(0.0, 12345.0, 8, true);
    EXPECT_EQ(c.step, 2000.0);
    EXPECT_EQ(c.hi, 14000.0);
    const AxisScale flat = LinearAxis(3.0, 3.0, 5, false);  // no zero-width axis
    EXPECT_LT(flat.lo, 3.0);
    EXPECT_GT(flat.hi, 3.0);
    const AxisScale l = LogAxis(35.0, 12000.0);
    EXPECT_EQ(l.lo, 10.0);
    EXPECT_EQ(l.hi, 100000.0);
    EXPECT_EQ(l.ticks.size(), 5u);
    EXPECT_EQ(AxisFraction(l, 1000.0), 0.5);
    EXPECT_EQ(AxisFraction(l, -5.0), 0.0);
}
