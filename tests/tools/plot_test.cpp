// Plots of several files from one figure model: SVG with searchable text, PNG and PDF drawn by Cairo, waterfall,
// normalisation and the d-spacing and Q axes.
#include <gtest/gtest.h>

#include <map>

#include "tool_support.h"

using testing_support::ReadFile;
using testing_support::WriteFile;
using tool_test::Result;
using tool_test::Sandbox;
using tool_test::XmlProblem;

namespace {

// Width and height from a PNG's IHDR chunk, or 0 x 0 when the bytes are no PNG.
std::pair<unsigned, unsigned> PngSize(const std::string& b) {
    if (b.size() < 24 || b.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || b.compare(12, 4, "IHDR") != 0) return {0, 0};
    auto be = [&](size_t at) {
        return (unsigned(static_cast<unsigned char>(b[at])) << 24) | (unsigned(static_cast<unsigned char>(b[at + 1])) << 16) |
               (unsigned(static_cast<unsigned char>(b[at + 2])) << 8) | unsigned(static_cast<unsigned char>(b[at + 3]));
    };
    return {be(16), be(20)};
}

}  // namespace

TEST(ToolPlots, SeveralFilesInEveryPictureKind) {
    Sandbox box;
    WriteFile(box.file("second.xye"), "# xrddata point file\n# anode: Cu\n30 10 1\n40 50 2\n50 20 1\n");
    Result r = box.Tool({"plot", "corundum.raw", box.file("second.xye"), "--normalise", "max", "--stack", "1", "-o",
                         box.file("p.svg")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string svg = ReadFile(box.file("p.svg"));
    std::map<std::string, int> counts;
    EXPECT_EQ(XmlProblem(svg, &counts), "");
    EXPECT_EQ(counts["polyline"], 2);
    // The legend names each file; the axis says what was done; a stack of two normalised patterns reaches 2.
    EXPECT_NE(svg.find(">corundum</text>"), std::string::npos);
    EXPECT_NE(svg.find(">second</text>"), std::string::npos);
    EXPECT_NE(svg.find(">Intensity / maximum, stacked</text>"), std::string::npos);
    EXPECT_NE(svg.find(">2</text>"), std::string::npos);

    r = box.Tool({"plot", "corundum.raw", box.file("second.xye"), "-o", box.file("p.png")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(PngSize(ReadFile(box.file("p.png"))), std::make_pair(1600u, 1000u));
    r = box.Tool({"plot", "corundum.raw", "--width", "800", "--height", "500", "-o", box.file("small.png")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(PngSize(ReadFile(box.file("small.png"))), std::make_pair(800u, 500u));
    r = box.Tool({"plot", "corundum.raw", "--background", "--stripped", "-o", box.file("p.pdf")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(box.file("p.pdf")).rfind("%PDF-", 0), 0u);

    EXPECT_EQ(box.Tool({"plot", "corundum.raw", "-o", box.file("p.gif")}).status, 2);
    EXPECT_EQ(box.Tool({"plot", "corundum.raw", "--log", "--stack", "2", "-o", box.file("p.svg")}).status, 2);
    EXPECT_EQ(box.Tool({"plot", "corundum.raw", "--normalise", "sum", "-o", box.file("p.svg")}).status, 2);
}

TEST(ToolPlots, DSpacingAndQFromEachFilesWavelength) {
    Sandbox box;
    // Cu K-alpha1 1.54056: two-theta 20..80 is d 4.44..1.20 angstrom and Q 1.41..5.24 per angstrom.
    Result r = box.Tool({"plot", "corundum.raw", "--x", "d", "-o", box.file("d.svg")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string d = ReadFile(box.file("d.svg"));
    EXPECT_NE(d.find(">d-spacing (angstrom)</text>"), std::string::npos);
    EXPECT_NE(d.find(">1.5</text>"), std::string::npos);
    EXPECT_NE(d.find(">4</text>"), std::string::npos);
    EXPECT_EQ(d.find(">50</text>"), std::string::npos);
    r = box.Tool({"plot", "corundum.raw", "--x", "q", "-o", box.file("q.svg")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string q = ReadFile(box.file("q.svg"));
    EXPECT_NE(q.find(">Q (1/angstrom)</text>"), std::string::npos);
    EXPECT_NE(q.find(">5</text>"), std::string::npos);
    EXPECT_EQ(q.find(">6</text>"), std::string::npos);

    // A file that states no wavelength has no d or Q: an error for it, the others are drawn.
    WriteFile(box.file("bare.csv"), "two_theta,intensity\n10,5\n10.1,6\n");
    r = box.Tool({"plot", "corundum.raw", box.file("bare.csv"), "--x", "d", "-o", box.file("d2.svg")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("error: " + box.file("bare.csv") + ": the file states no wavelength"), std::string::npos)
        << r.err;
    EXPECT_EQ(XmlProblem(ReadFile(box.file("d2.svg"))), "");
    EXPECT_EQ(box.Tool({"plot", box.file("bare.csv"), "-o", box.file("t.svg")}).status, 0);
}
