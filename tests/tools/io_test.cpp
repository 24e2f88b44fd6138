// The tool's own pieces: the named settings, the error model option, the processing chain's copy of the
// original points, SVG escaping and axis ticks.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "parts/defaults.h"
#include "parts/processing.h"
#include "plot/axis.h"
#include "pattern/pattern_support.h"
#include "plot/svg.h"
#include "support/registry_sandbox.h"
#include "support/synthetic.h"
#include "xrddata/pattern/xrddata.h"

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

// Outputs other than the archive never read the pre-processing copy, so the chain may drop it; the pattern, its
// record and its background must be the same whether it is kept or not, in both orders of fit and strip.
TEST(ToolProcessing, DroppingTheOriginalCopyChangesNothingElse) {
    testing_support::RegistrySandbox box;
    CRadiation cu;
    testing_support::SyntheticPattern sp;
    sp.xFirst = 20.0, sp.xLast = 40.0, sp.step = 0.02;
    sp.peaks = {{24.0, 2000.0, 0.12}, {33.0, 900.0, 0.15}};
    sp.background = {300.0, -4.0};
    sp.radiation = &cu;
    sp.noiseSeed = 7;
    const auto syn = testing_support::MakeSynthetic(sp);
    using pattern_testing::Column;
    for (const bool fitFirst : {true, false}) {
        ProcessOptions o;
        o.stripKa2 = true;
        o.background = fitFirst;
        o.subtract = true;
        o.length = 1.0;
        CXRDData kept(syn.size(), syn.x.data(), syn.y.data(), nullptr), dropped(kept);
        const ProcessResult a = ProcessPattern(kept, o);
        o.keepOriginal = false;
        const ProcessResult b = ProcessPattern(dropped, o);
        SCOPED_TRACE(fitFirst ? "fit, then strip" : "strip, then fit");
        EXPECT_EQ(kept.m_OriginalData.GetSize(), syn.size());
        EXPECT_EQ(Column(kept.m_OriginalData, CGraphData::Y), syn.y);
        EXPECT_EQ(dropped.m_OriginalData.GetSize(), 0);
        EXPECT_EQ(a.applied, b.applied);
        EXPECT_EQ(a.subtracted, b.subtracted);
        EXPECT_EQ(dropped.m_nTypeFlag, kept.m_nTypeFlag);
        EXPECT_EQ(dropped.GetProcessingHistory(), kept.GetProcessingHistory());
        for (const auto p : {CGraphData::X, CGraphData::Y, CGraphData::YError}) {
            EXPECT_EQ(Column(dropped, p), Column(kept, p));
            EXPECT_EQ(Column(dropped.m_Background, p), Column(kept.m_Background, p));
            EXPECT_EQ(Column(dropped.m_Background.m_Knots, p), Column(kept.m_Background.m_Knots, p));
        }
        EXPECT_EQ(dropped.m_dDetectedWidth, kept.m_dDetectedWidth);
    }
}
