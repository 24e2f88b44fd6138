// Every scan of a file through the tool: info lists them, convert and process write one output per scan (or the
// one asked for), failures carry the format core's reason, warnings reach stderr.
#include <gtest/gtest.h>

#include <filesystem>

#include "tool_support.h"
#include "xrddata/formats/table.h"

using testing_support::ReadFile;
using testing_support::WriteFile;
using tool_test::ParseJson;
using tool_test::Result;
using tool_test::Sandbox;

namespace {

std::string Sample(const std::string& name) { return testing_support::SamplesDir() + "/" + name; }

// The first document of the tool's "info --json" on a sample file; a failed run fails the test.
tool_test::Json InfoOf(const Sandbox& box, const std::string& sample) {
    const Result r = box.Tool({"info", "--json", Sample(sample)});
    EXPECT_EQ(r.status, 0) << r.err;
    return ParseJson(r.out)[0];
}

// The point rows of a headed file, without its "#" lines.
std::string Rows(const std::string& text) {
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find('\n', pos);
        const std::string line = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos + 1);
        if (line.empty() || line[0] != '#') out += line;
        if (end == std::string::npos) break;
        pos = end + 1;
    }
    return out;
}

}  // namespace

TEST(ToolScans, InfoListsEveryScanOfACoreFormat) {
    XRD_REQUIRE_SAMPLES();
    Sandbox box;
    const tool_test::Json doc = InfoOf(box, "brml/Sin2Psi.brml");
    EXPECT_EQ(doc["format"]["name"].s, "BRML");
    EXPECT_EQ(doc["format"]["code"].n, 13.0);
    EXPECT_EQ(doc["format"]["version"].s, "3.3.50.0");
    // Today's keys describe range 1.
    EXPECT_EQ(doc["points"].n, 251.0);
    const tool_test::Json& ranges = doc["ranges"];
    ASSERT_EQ(ranges.items.size(), 18u);
    for (size_t i = 0; i < 18; ++i) {
        EXPECT_EQ(ranges[i]["index"].n, double(i + 1));
        EXPECT_EQ(ranges[i]["points"].n, 251.0);
        EXPECT_NEAR(ranges[i]["first"].n, 38.0, 1e-9);
        EXPECT_NEAR(ranges[i]["last"].n, 43.0, 1e-5);
        EXPECT_NEAR(ranges[i]["step"].n, 0.02, 1e-7);
        EXPECT_EQ(ranges[i]["time_per_step"].kind, tool_test::Json::Number);
    }
    const Result text = box.Tool({"info", Sample("brml/Sin2Psi.brml")});
    EXPECT_NE(text.out.find("ranges:      18\n  1: 251 points, 38 to 43, step 0.02"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("\n  18: 251 points"), std::string::npos) << text.out;
}

TEST(ToolScans, MultiRangeRawThroughWhicheverReaderHasIt) {
    XRD_REQUIRE_SAMPLES();
    Sandbox box;
    const tool_test::Json doc = InfoOf(box, "bruker-raw3/Keokuk_kaolinite.RAW");
    EXPECT_EQ(doc["format"]["code"].n, 3.0);
    EXPECT_EQ(doc["points"].n, 4001.0);
    const tool_test::Json& ranges = doc["ranges"];
    ASSERT_GE(ranges.items.size(), 1u);
    EXPECT_EQ(ranges[0]["points"].n, 4001.0);
    EXPECT_NEAR(ranges[0]["first"].n, 10.0, 1e-9);
    if (xrddata::formats::find_format(3)) {
        // Read by the format core: both ranges.
        ASSERT_EQ(ranges.items.size(), 2u);
        EXPECT_EQ(ranges[1]["points"].n, 3501.0);
        EXPECT_NEAR(ranges[1]["first"].n, 80.0, 1e-9);
        ASSERT_EQ(box.Tool({"convert", Sample("bruker-raw3/Keokuk_kaolinite.RAW"), "-o", box.file("k.xye")}).status, 0);
        EXPECT_TRUE(std::filesystem::exists(box.file("k_r1.xye")));
        EXPECT_TRUE(std::filesystem::exists(box.file("k_r2.xye")));
    } else {
        // Read by the pattern's import, which keeps range 1.
        EXPECT_EQ(ranges.items.size(), 1u);
        ASSERT_EQ(box.Tool({"convert", Sample("bruker-raw3/Keokuk_kaolinite.RAW"), "-o", box.file("k.xye")}).status, 0);
        EXPECT_TRUE(std::filesystem::exists(box.file("k.xye")));
    }
}

TEST(ToolScans, ConvertAndProcessWriteOneOutputPerScan) {
    XRD_REQUIRE_SAMPLES();
    Sandbox box;
    const std::string brml = Sample("brml/Sin2Psi.brml");
    Result r = box.Tool({"convert", brml, "-o", box.file("s.xye")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(std::filesystem::exists(box.file("s.xye")));
    for (int i = 1; i <= 18; ++i)
        EXPECT_TRUE(std::filesystem::exists(box.file("s_r" + std::to_string(i) + ".xye"))) << i;
    const std::string third = ReadFile(box.file("s_r3.xye"));
    EXPECT_NE(third.find("\n# scan: 3\n"), std::string::npos);
    EXPECT_NE(Rows(third), Rows(ReadFile(box.file("s_r2.xye"))));

    // One range asked for: the output named, the same rows as that scan's file.
    r = box.Tool({"convert", brml, "--range", "3", "-o", box.file("three.xye")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Rows(ReadFile(box.file("three.xye"))), Rows(third));
    // A range the file does not hold fails the file with the reason; a range that is no number is a usage error.
    r = box.Tool({"convert", brml, "--range", "19", "-o", box.file("none.xye")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("there is no range 19 (the file holds 18 ranges)"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(box.file("none.xye")));
    EXPECT_EQ(box.Tool({"convert", brml, "--range", "0", "-o", box.file("none.xye")}).status, 2);
    EXPECT_EQ(box.Tool({"convert", brml, "--range", "two", "-o", box.file("none.xye")}).status, 2);

    // process runs its chain on every scan: one output and one background per scan.
    r = box.Tool({"process", brml, "--background", "-d", box.file("p")});
    ASSERT_EQ(r.status, 0) << r.err;
    for (int i : {1, 18}) {
        EXPECT_TRUE(std::filesystem::exists(box.file("p/Sin2Psi_r" + std::to_string(i) + ".xye")));
        EXPECT_TRUE(std::filesystem::exists(box.file("p/Sin2Psi_r" + std::to_string(i) + ".background.xye")));
    }

    // Each output's file is closed once it is written: under a limit of 16 open files, the 36 outputs still go.
    r = box.Program("/bin/sh", {"-c", "ulimit -n 16 && exec \"$0\" \"$@\"", XRDDATA_TOOL_PATH, "process", brml,
                                "--background", "-d", box.file("few")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(box.file("few/Sin2Psi_r18.background.xye")));

    // The outputs of one file are put in place together: when a later scan's output cannot be written (a folder
    // stands at its name), the scans before it leave no file and no temporary file either.
    std::filesystem::create_directories(box.file("q/s_r5.xye"));
    r = box.Tool({"convert", brml, "-o", box.file("q/s.xye")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Is a directory"), std::string::npos) << r.err;
    size_t entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(box.file("q"))) entries += e.path().empty() ? 0 : 1;
    EXPECT_EQ(entries, 1u);  // the folder alone
}

TEST(ToolScans, FailuresCarryTheCoreReasonAndWarningsReachStderr) {
    Sandbox box;
    // A file of a core format that breaks off inside its data: "error: FILE: line N: reason", no "warning".
    WriteFile(box.file("bad.csv"), "two_theta,intensity\n10,5\n10.1,x\n");
    Result r = box.Tool({"info", box.file("bad.csv")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("error: " + box.file("bad.csv") + ": line 3: ", 0), 0u) << r.err;
    EXPECT_EQ(r.err.find("warning"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");

    // A reservation of the core about a file it read is a warning; the file still succeeds.
    WriteFile(box.file("wide.csv"), "two_theta,intensity,error,monitor\n10,5,1,7\n10.1,6,1,7\n");
    r = box.Tool({"convert", box.file("wide.csv"), "-o", box.file("wide.xye")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("warning: " + box.file("wide.csv") + ": the columns"), std::string::npos) << r.err;

    // Control characters in a file name cannot fake lines of their own.
    const std::string odd = box.file("odd\nerror: fake.csv");
    WriteFile(odd, "two_theta,intensity\n10,x\n");
    r = box.Tool({"info", odd, box.file("wide.csv")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("odd\\nerror: fake.csv"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("\nerror: fake.csv"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("2 files: 1 ok, 1 failed\n"), std::string::npos) << r.err;
}
