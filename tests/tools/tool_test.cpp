// The xrddata tool run as a program: exact output on the example pattern, round trips through every output format,
// exit statuses, a failing file among good ones, script output and plots.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <thread>

#include "tool_support.h"

using testing_support::ReadFile;
using testing_support::WriteFile;
using tool_test::ExampleFile;
using tool_test::ParseJson;
using tool_test::Result;
using tool_test::Sandbox;
using tool_test::XmlProblem;

namespace {

size_t CountLines(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

}  // namespace

TEST(Tool, InfoOnTheExample) {
    Sandbox box;
    const Result r = box.Tool({"info", "corundum.raw"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "file:        corundum.raw\n"
              "format:      DiffracPlus (3), version RAW1.01\n"
              "sample:      Corundum (simulated)\n"
              "comments:    alpha-Al2O3, Cu K-alpha1/K-alpha2, 20-80 deg step 0.02, counting noise\n"
              "collected:   2025-05-05 10:30:00\n"
              "radiation:   Cu, K-alpha1 1.54056 A, K-alpha2 1.54439 A\n"
              "points:      3001\n"
              "two-theta:   20 to 80 degrees, step 0.02\n"
              "errors:      stored, model Raw Counts\n"
              "processing:  original data\n"
              "ranges:      1\n"
              "  1: 3001 points, 20 to 80, step 0.02\n");

    // The same for scripts: one array, one object per file read, in the order given.
    const Result j = box.Tool({"info", "--json", "-j", "2", "corundum.raw", ExampleFile()});
    ASSERT_EQ(j.status, 0) << j.err;
    const tool_test::Json doc = ParseJson(j.out);
    ASSERT_EQ(doc.kind, tool_test::Json::Array);
    ASSERT_EQ(doc.items.size(), 2u);
    EXPECT_EQ(doc[0]["file"].s, "corundum.raw");
    EXPECT_EQ(doc[1]["file"].s, ExampleFile());
    const tool_test::Json& info = doc[0];
    EXPECT_EQ(info["format"]["name"].s, "DiffracPlus");
    EXPECT_EQ(info["format"]["code"].n, 3.0);
    EXPECT_EQ(info["sample"].s, "Corundum (simulated)");
    EXPECT_EQ(info["collected"].s, "2025-05-05 10:30:00");
    EXPECT_EQ(info["radiation"]["target"].s, "Cu");
    EXPECT_TRUE(info["radiation"]["ka2"].b);
    EXPECT_EQ(info["points"].n, 3001.0);
    EXPECT_EQ(info["two_theta"]["first"].n, 20.0);
    EXPECT_EQ(info["two_theta"]["last"].n, 80.0);
    EXPECT_NEAR(info["two_theta"]["step"].n, 0.02, 1e-12);
}

TEST(Tool, ConvertRoundTrips) {
    Sandbox box;
    // Archive and back: the archive reads as the pattern it holds, and its points convert to the same bytes.
    ASSERT_EQ(box.Tool({"convert", "corundum.raw", "-o", box.file("c.xrdd")}).status, 0);
    ASSERT_EQ(box.Tool({"convert", "corundum.raw", "--no-header", "-o", box.file("direct.xye")}).status, 0);
    ASSERT_EQ(box.Tool({"convert", box.file("c.xrdd"), "--no-header", "-o", box.file("via-archive.xye")}).status, 0);
    const std::string xye = ReadFile(box.file("direct.xye"));
    EXPECT_EQ(xye, ReadFile(box.file("via-archive.xye")));
    EXPECT_EQ(CountLines(xye), 3001u);
    EXPECT_EQ(xye.substr(0, xye.find('\n', xye.find('\n') + 1) + 1),
              "20 695 26.362852652928137\n20.02 705 26.551836094703507\n");
    const Result archived = box.Tool({"info", "--json", box.file("c.xrdd")});
    ASSERT_EQ(archived.status, 0) << archived.err;
    const tool_test::Json a = ParseJson(archived.out)[0];
    EXPECT_EQ(a["format"]["name"].s, "Pattern archive");
    EXPECT_EQ(a["format"]["code"].kind, tool_test::Json::Null);
    EXPECT_EQ(a["sample"].s, "Corundum (simulated)");
    EXPECT_EQ(a["collected"].s, "2025-05-05 10:30:00");
    EXPECT_EQ(a["points"].n, 3001.0);

    // .xye read back by the import (three-column text) and written again: the same bytes.
    ASSERT_EQ(box.Tool({"convert", box.file("direct.xye"), "--no-header", "-o", box.file("again.xye")}).status, 0);
    EXPECT_EQ(ReadFile(box.file("again.xye")), xye);

    // CSV: a header line, then the same numbers with commas.
    ASSERT_EQ(box.Tool({"convert", "corundum.raw", "--no-header", "-o", box.file("c.csv")}).status, 0);
    const std::string csv = ReadFile(box.file("c.csv"));
    EXPECT_EQ(csv.substr(0, csv.find('\n') + 1), "two_theta,intensity,error\n");
    EXPECT_EQ(CountLines(csv), 3002u);
    std::string commas = xye;
    std::replace(commas.begin(), commas.end(), ' ', ',');
    EXPECT_EQ(csv.substr(csv.find('\n') + 1), commas);

    // The text export's layout (tab-separated, CR LF) with every digit: read back it gives the same points.
    ASSERT_EQ(box.Tool({"convert", "corundum.raw", "-o", box.file("c.txt")}).status, 0);
    const std::string txt = ReadFile(box.file("c.txt"));
    EXPECT_NE(txt.find("\r\n20\t695\t26.362852652928137\r\n20.02\t705\t26.551836094703507\r\n"), std::string::npos);
    ASSERT_EQ(
        box.Tool({"convert", box.file("c.txt"), "--format", "xye", "--no-header", "-o", box.file("from-text.xye")})
            .status,
        0);
    EXPECT_EQ(ReadFile(box.file("from-text.xye")), xye);

    // Several files into a folder, named after their inputs, with an explicit format.
    const Result many =
        box.Tool({"convert", "corundum.raw", box.file("c.xrdd"), "-d", box.file("out"), "-f", "csv", "--no-header"});
    EXPECT_EQ(many.status, 0) << many.err;
    EXPECT_EQ(ReadFile(box.file("out/corundum.csv")), csv);
    EXPECT_EQ(ReadFile(box.file("out/c.csv")), csv);
}

TEST(Tool, ExitStatusesAndUsage) {
    Sandbox box;
    EXPECT_EQ(box.Tool({}).status, 2);
    EXPECT_EQ(box.Tool({"frobnicate"}).status, 2);
    EXPECT_EQ(box.Tool({"info"}).status, 2);
    EXPECT_EQ(box.Tool({"info", "--bogus", "corundum.raw"}).status, 2);
    EXPECT_EQ(box.Tool({"convert", "corundum.raw"}).status, 2);  // neither -o nor -d
    EXPECT_EQ(box.Tool({"convert", "corundum.raw", "-o", box.file("a.xye"), "-d", box.file("d")}).status, 2);
    const Result two = box.Tool({"convert", "corundum.raw", ExampleFile(), "-o", box.file("a.xye")});
    EXPECT_EQ(two.status, 2);
    EXPECT_NE(two.err.find("-o takes one input file"), std::string::npos) << two.err;
    // Two inputs of one name would overwrite each other in the folder.
    EXPECT_EQ(box.Tool({"convert", "corundum.raw", ExampleFile(), "-d", box.file("d")}).status, 2);
    EXPECT_EQ(box.Tool({"convert", "corundum.raw", "-o", box.file("a.xye"), "-f", "pdf"}).status, 2);
    EXPECT_EQ(box.Tool({"process", "corundum.raw", "--errors", "scaled=-1", "-o", box.file("a.xye")}).status, 2);
    EXPECT_EQ(box.Tool({"process", "corundum.raw", "--length", "0", "-o", box.file("a.xye")}).status, 2);
    EXPECT_EQ(box.Tool({"info", "-j", "0", "corundum.raw"}).status, 2);
    EXPECT_FALSE(std::filesystem::exists(box.file("a.xye")));

    const Result version = box.Tool({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "xrddata 2.0.0\nZOD Arad Ovu 2. 0. 0. 0\n");
    for (const char* cmd : {"info", "convert", "process", "plot", "settings", "formats"}) {
        const Result help = box.Tool({cmd, "--help"});
        EXPECT_EQ(help.status, 0) << cmd;
        EXPECT_NE(help.out.find("Usage"), std::string::npos) << cmd;
    }

    // The output is never written over the input.
    const std::string copy = box.file("copy.xye");
    ASSERT_EQ(box.Tool({"convert", "corundum.raw", "-o", copy}).status, 0);
    const std::string before = ReadFile(copy);
    const Result self = box.Tool({"convert", copy, "-o", copy});
    EXPECT_EQ(self.status, 1);
    EXPECT_EQ(ReadFile(copy), before);
}

TEST(Tool, AFailingFileAmongGoodOnes) {
    Sandbox box;
    WriteFile(box.file("words.dat"), "just some prose\nwith words\n");
    const std::string missing = box.file("missing.raw");
    const Result r = box.Tool({"convert", "-j", "3", "corundum.raw", box.file("words.dat"), missing, ExampleFile(),
                            "-d", box.file("out1")});
    // ExampleFile() and corundum.raw share a name: usage error before any work.
    EXPECT_EQ(r.status, 2);

    const Result ok = box.Tool({"convert", "-j", "3", box.file("words.dat"), "corundum.raw", missing, "-d",
                             box.file("out")});
    EXPECT_EQ(ok.status, 1);
    EXPECT_EQ(ReadFile(box.file("out/corundum.xye")).size() > 0, true);
    EXPECT_FALSE(std::filesystem::exists(box.file("out/words.xye")));
    EXPECT_FALSE(std::filesystem::exists(box.file("out/missing.xye")));
    // Each failure is named with its file and the reason; the good file says nothing.
    EXPECT_NE(ok.err.find("error: " + box.file("words.dat") + ": the format is not recognised\n"), std::string::npos)
        << ok.err;
    EXPECT_NE(ok.err.find("error: " + missing + ": cannot open: No such file or directory\n"), std::string::npos)
        << ok.err;
    EXPECT_EQ(ok.err.find("corundum.raw"), std::string::npos) << ok.err;
    // The tally closes a run of several files.
    EXPECT_NE(ok.err.find("\n3 files: 1 ok, 2 failed\n"), std::string::npos) << ok.err;
    EXPECT_EQ(CountLines(ok.err), 3u) << ok.err;

    // info prints what it could read and fails.
    const Result info = box.Tool({"info", "--json", missing, "corundum.raw"});
    EXPECT_EQ(info.status, 1);
    EXPECT_EQ(ParseJson(info.out).items.size(), 1u);
}

TEST(Tool, PlotIsWellFormedSvg) {
    Sandbox box;
    const Result r = box.Tool({"plot", "corundum.raw", "--log", "--title", "A <b> & \"c\"", "-o", box.file("p.svg")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string svg = ReadFile(box.file("p.svg"));
    std::map<std::string, int> counts;
    EXPECT_EQ(XmlProblem(svg, &counts), "");
    EXPECT_EQ(counts["svg"], 1);
    EXPECT_EQ(counts["polyline"], 1);
    EXPECT_NE(svg.find(">A &lt;b&gt; &amp; &quot;c&quot;</text>"), std::string::npos);
    EXPECT_NE(svg.find(">Two-theta (degrees)</text>"), std::string::npos);
    EXPECT_NE(svg.find(">Counts (log scale)</text>"), std::string::npos);
    EXPECT_NE(svg.find(">corundum</text>"), std::string::npos);  // the legend
    for (const char* tick : {">20</text>", ">50</text>", ">80</text>", ">100</text>", ">1000</text>"})
        EXPECT_NE(svg.find(tick), std::string::npos) << tick;

    // A file that cannot be read leaves the others in the plot and fails the run.
    const Result partly = box.Tool({"plot", "corundum.raw", box.file("none.raw"), "-o", box.file("q.svg")});
    EXPECT_EQ(partly.status, 1);
    EXPECT_EQ(XmlProblem(ReadFile(box.file("q.svg"))), "");
    // Nothing readable: no plot.
    EXPECT_EQ(box.Tool({"plot", box.file("none.raw"), "-o", box.file("r.svg")}).status, 1);
    EXPECT_FALSE(std::filesystem::exists(box.file("r.svg")));
}

// Runs of `settings set` at the same time, each for another setting, lose none of the values (each run reads,
// changes and writes the eleven in one transaction under the store's lock).
TEST(Tool, ConcurrentSettingsSetLoseNoValue) {
    Sandbox box;
    const std::vector<std::string> names = {"BackgroundLength", "BackgroundScale", "FixedWidth", "U", "V", "W",
                                            "ScaleFactor", "Esds"};
    for (int round = 1; round <= 3; ++round) {
        std::vector<std::thread> runs;
        std::vector<Result> results(names.size());
        for (size_t i = 0; i < names.size(); ++i)
            runs.emplace_back([&, i] {
                results[i] = box.Tool({"settings", "set", names[i], std::to_string(round + 1 + static_cast<int>(i))});
            });
        for (std::thread& t : runs) t.join();
        for (const Result& r : results) EXPECT_EQ(r.status, 0) << r.err;
        const tool_test::Json j = ParseJson(box.Tool({"settings", "show", "--json"}).out);
        for (size_t i = 0; i < names.size(); ++i)
            EXPECT_EQ(j[names[i]].n, round + 1 + static_cast<double>(i)) << names[i] << " in round " << round;
    }
}

TEST(Tool, SettingsAndFormats) {
    Sandbox box;
    const std::string factory =
        "BackgroundLength  5\nBackgroundScale   1\nAutoWidth         1\nWidthType         0\n"
        "FixedWidth        0.1\nU                 0\nV                 0\nW                 0.01\n"
        "CountType         0\nScaleFactor       1\nEsds              1\n";
    const Result show = box.Tool({"settings"});
    EXPECT_EQ(show.status, 0);
    EXPECT_EQ(show.out, factory + "# kept in " + box.userStore() + "\n");

    const Result set = box.Tool({"settings", "set", "fixedwidth", "0.123456789"});
    EXPECT_EQ(set.status, 0) << set.err;
    EXPECT_NE(set.out.find("FixedWidth        0.123457\n"), std::string::npos);
    const tool_test::Json j = ParseJson(box.Tool({"settings", "show", "--json"}).out);
    EXPECT_EQ(j["FixedWidth"].n, 0.123457);
    EXPECT_EQ(j["BackgroundLength"].n, 5.0);
    EXPECT_NE(ReadFile(box.userStore()).find("\"FixedWidth\"=\"0.123457\""), std::string::npos);

    EXPECT_EQ(box.Tool({"settings", "set", "Nonsense", "1"}).status, 2);
    EXPECT_EQ(box.Tool({"settings", "set", "CountType", "3"}).status, 2);
    EXPECT_EQ(box.Tool({"settings", "set", "U", "abc"}).status, 2);
    EXPECT_EQ(box.Tool({"settings", "set", "U", "nan"}).status, 2);
    EXPECT_EQ(box.Tool({"settings", "set", "U"}).status, 2);

    const Result reset = box.Tool({"settings", "reset"});
    EXPECT_EQ(reset.status, 0);
    EXPECT_EQ(reset.out, factory + "# kept in " + box.userStore() + "\n");

    const Result formats = box.Tool({"formats"});
    EXPECT_EQ(formats.status, 0);
    EXPECT_EQ(formats.out.rfind(
                  "Built-in formats (code, name):\n  1  Two column text\n  2  Stoe\n  3  DiffracPlus\n  4  DiffracAt\n"
                  "  5  Udf\n  6  Cpi\n  7  Mdi\n  8  Cranfield\n  -  Pattern archive (.xrdd)\n"
                  "Format core (code, name, read/write, extensions, description):\n",
                  0),
              0u)
        << formats.out;
    // Every format of the core with its code and extensions; the ones the tool also writes say how.
    EXPECT_NE(formats.out.find("\n  14  XRDML        read "), std::string::npos) << formats.out;
    EXPECT_NE(formats.out.find("\n  25  GSAS         read/write (-f fxye) "), std::string::npos) << formats.out;
    EXPECT_NE(formats.out.find("\n  xye       xye "), std::string::npos) << formats.out;
    EXPECT_NE(formats.out.find("\nPlug-in formats: none registered\n"), std::string::npos) << formats.out;
    WriteFile(box.file("system.reg"),
              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvenic\\ZIDEzerEzizir\\Formats\\{1234}]\n"
              "\"Description\"=\"Sample format\"\n\"Filter\"=\"Sample (*.smp)|*.smp|\"\n"
              "\"CanReadProfile\"=dword:00000001\n\"CanReadPeaks\"=dword:00000000\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvenic\\ZIDEzerEzizir\\Formats\\{5678}]\n"
              "\"Description\"=\"Half registered\"\n\"CanReadProfile\"=dword:00000001\n");
    // The registrations as the import reads them: one with a value missing is listed as not offered.
    const Result plugins = box.Tool({"formats"});
    EXPECT_NE(plugins.out.find("  {1234}  Sample format [profiles]\n  {5678}  (incomplete registration: not offered)\n"),
              std::string::npos)
        << plugins.out;
}

TEST(Tool, ExampleFileIsWhatTheGeneratorWrites) {
    Sandbox box;
    const Result r = box.Program(XRDDATA_EXAMPLE_GENERATOR, {box.file("gen.raw")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string made = ReadFile(box.file("gen.raw"));
    EXPECT_EQ(made.size(), 712u + 304u + 4u * 3001u);
    EXPECT_TRUE(made == ReadFile(ExampleFile())) << "examples/corundum.raw differs from the generator's output";
}

TEST(Tool, ProcessInOrderAndThroughArchives) {
    Sandbox box;
    // Zero error and error model: x moves down by 0.1; errors are 2 % of the counts.
    Result r = box.Tool({"process", "--no-header", "corundum.raw", "--errors", "time=2", "--zero-error", "0.1", "-o",
                         box.file("z.xye")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string z = ReadFile(box.file("z.xye"));
    EXPECT_EQ(z.substr(0, z.find('\n', z.find('\n') + 1) + 1), "19.9 695 13.9\n19.919999999999998 705 14.1\n");

    // Stripping, fit and subtraction: the points and the background beside them.
    r = box.Tool({"process", "--no-header", "corundum.raw", "--strip-ka2", "--background", "--subtract", "-o", box.file("s.xye")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::istringstream net(ReadFile(box.file("s.xye"))), bg(ReadFile(box.file("s.background.xye")));
    double x, y, e, bx, by, be;
    size_t n = 0;
    while (net >> x >> y >> e && bg >> bx >> by >> be) {
        ++n;
        EXPECT_EQ(x, bx);
        EXPECT_GE(y, 0.0);  // negative differences are clipped
        EXPECT_GT(by, 0.0);
    }
    EXPECT_EQ(n, 3001u);

    // The archive keeps the processed pattern with its background: subtracting from it gives the same points.
    r = box.Tool({"process", "--no-header", "corundum.raw", "--strip-ka2", "--background", "-o", box.file("p.xrdd")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(std::filesystem::exists(box.file("p.background.xrdd")));
    const Result info = box.Tool({"info", box.file("p.xrdd")});
    EXPECT_NE(info.out.find("processing:  K-alpha2 stripped, background stored\n"), std::string::npos) << info.out;
    ASSERT_EQ(box.Tool({"process", "--no-header", box.file("p.xrdd"), "--subtract", "-o", box.file("again.xye")}).status, 0);
    EXPECT_EQ(ReadFile(box.file("again.xye")), ReadFile(box.file("s.xye")));

    // The scale length and stiffness change the fit; without them it is the stored defaults' fit.
    ASSERT_EQ(box.Tool({"process", "--no-header", "corundum.raw", "--background", "-o", box.file("d.xye")}).status, 0);
    ASSERT_EQ(box.Tool({"process", "--no-header", "corundum.raw", "--background", "--length", "2", "--stiffness", "0.5", "-o",
                        box.file("b.xye")})
                  .status,
              0);
    ASSERT_EQ(box.Tool({"settings", "set", "BackgroundLength", "2"}).status, 0);
    ASSERT_EQ(box.Tool({"settings", "set", "BackgroundScale", "0.5"}).status, 0);
    ASSERT_EQ(box.Tool({"process", "--no-header", "corundum.raw", "--background", "-o", box.file("u.xye")}).status, 0);
    EXPECT_NE(ReadFile(box.file("b.background.xye")), ReadFile(box.file("d.background.xye")));
    EXPECT_EQ(ReadFile(box.file("u.background.xye")), ReadFile(box.file("b.background.xye")));
}
