// What the tool writes is faithful and safe: every output kind reads back to the same numbers and metadata, the
// file's own errors survive, standard input and output work, settings keep one set of bounds, and a write that
// cannot succeed fails loudly without damaging what was there, nor does an interrupted run leave its temporary
// files.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "tool_support.h"

using testing_support::ReadFile;
using testing_support::WriteFile;
using tool_test::ExampleFile;
using tool_test::ParseJson;
using tool_test::Result;
using tool_test::Sandbox;

namespace {

struct Row {
    double x, y, e;
};

std::vector<Row> Rows(const std::string& xye) {
    std::vector<Row> rows;
    std::istringstream in(xye);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        Row r{};
        std::istringstream(line) >> r.x >> r.y >> r.e;
        rows.push_back(r);
    }
    return rows;
}

}  // namespace

TEST(ToolOutputs, EveryKindReadsBackToTheSameNumbersAndMetadata) {
    Sandbox box;
    ASSERT_EQ(box.Tool({"convert", "corundum.raw", "--no-header", "-o", box.file("ref.xye")}).status, 0);
    const std::string ref = ReadFile(box.file("ref.xye"));
    for (const char* kind : {"xye", "csv", "text", "xrdd", "fxye", "fullprof", "cif", "tsv"}) {
        const std::string out = box.file(std::string("rt.") + kind);
        Result r = box.Tool({"convert", "corundum.raw", "-f", kind, "-o", out});
        ASSERT_EQ(r.status, 0) << kind << r.err;
        r = box.Tool({"convert", out, "--no-header", "-o", box.file("back.xye")});
        ASSERT_EQ(r.status, 0) << kind << r.err;
        EXPECT_EQ(ReadFile(box.file("back.xye")), ref) << kind;
    }
    // The headed files keep where the points came from, and read back with it.
    const std::string head = ReadFile(box.file("rt.xye"));
    EXPECT_EQ(head.rfind("# xrddata point file\n# source: corundum.raw\n# format: DiffracPlus (3) RAW1.01\n"
                         "# sample: Corundum (simulated)\n",
                         0),
              0u)
        << head;
    const tool_test::Json a = ParseJson(box.Tool({"info", "--json", "corundum.raw"}).out)[0];
    for (const char* kind : {"xye", "csv", "text"}) {
        const tool_test::Json b = ParseJson(box.Tool({"info", "--json", box.file(std::string("rt.") + kind)}).out)[0];
        EXPECT_EQ(b["format"]["name"].s, "Point file") << kind;
        EXPECT_EQ(b["sample"].s, a["sample"].s) << kind;
        EXPECT_EQ(b["comments"].s, a["comments"].s) << kind;
        EXPECT_EQ(b["collected"].s, a["collected"].s) << kind;
        EXPECT_EQ(b["radiation"]["target"].s, "Cu") << kind;
        EXPECT_EQ(b["radiation"]["ka2"].b, true) << kind;
    }
    // A comment with line breaks stays one header line and comes back whole.
    WriteFile(box.file("multi.xye"), "# xrddata point file\n# comments: first\\nsecond \\\\ third\n10 5 1\n10.1 6 2\n");
    const tool_test::Json m = ParseJson(box.Tool({"info", "--json", box.file("multi.xye")}).out)[0];
    EXPECT_EQ(m["comments"].s, "first\nsecond \\ third");
    ASSERT_EQ(box.Tool({"convert", box.file("multi.xye"), "-o", box.file("multi2.xye")}).status, 0);
    EXPECT_NE(ReadFile(box.file("multi2.xye")).find("\n# comments: first\\nsecond \\\\ third\n"), std::string::npos);
}

TEST(ToolOutputs, TheFilesOwnErrorsAreKeptUnlessAModelIsAsked) {
    Sandbox box;
    WriteFile(box.file("e.csv"), "two_theta,intensity,error\n10,100,3\n10.1,400,5\n10.2,900,7\n");
    Result r = box.Tool({"convert", box.file("e.csv"), "--no-header", "-o", box.file("e.xye")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(box.file("e.xye")), "10 100 3\n10.1 400 5\n10.2 900 7\n");
    EXPECT_NE(box.Tool({"info", box.file("e.csv")}).out.find("errors:      stored"), std::string::npos);
    r = box.Tool({"process", box.file("e.csv"), "--zero-error", "0", "--no-header", "-o", box.file("p.xye")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(box.file("p.xye")), "10 100 3\n10.1 400 5\n10.2 900 7\n");
    r = box.Tool({"process", box.file("e.csv"), "--errors", "raw", "--no-header", "-o", box.file("m.xye")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(box.file("m.xye")), "10 100 10\n10.1 400 20\n10.2 900 30\n");

    // Plain three-column text keeps its third column; two columns get the error model's.
    WriteFile(box.file("three.xye"), "10 100 3\n10.1 400 5\n10.2 900 7\n");
    r = box.Tool({"convert", box.file("three.xye"), "--no-header", "-o", box.file("t.xye")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(box.file("t.xye")), "10 100 3\n10.1 400 5\n10.2 900 7\n");
    WriteFile(box.file("two.xy"), "10 100\n10.1 400\n");
    r = box.Tool({"convert", box.file("two.xy"), "--no-header", "-o", box.file("u.xye")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(box.file("u.xye")), "10 100 10\n10.1 400 20\n");
}

TEST(ToolOutputs, StandardInputAndOutput) {
    Sandbox box;
    ASSERT_EQ(box.Tool({"convert", "corundum.raw", "--no-header", "-o", box.file("ref.xye")}).status, 0);
    Result r = box.ToolWith({"convert", "-", "-f", "xye", "--no-header", "-o", "-"}, ExampleFile());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, ReadFile(box.file("ref.xye")));
    r = box.ToolWith({"info", "--json", "-"}, box.file("ref.xye"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ParseJson(r.out)[0]["file"].s, "<stdin>");
    EXPECT_EQ(ParseJson(r.out)[0]["points"].n, 3001.0);
    // A plain text file on standard input: read by content, named after standard input.
    WriteFile(box.file("plain.xy"), "10 5\n10.1 6\n");
    r = box.ToolWith({"info", "--json", "-"}, box.file("plain.xy"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ParseJson(r.out)[0]["sample"].s, "<stdin>");
    EXPECT_EQ(ParseJson(r.out)[0]["points"].n, 2.0);
    // Standard output names no kind by itself.
    r = box.Tool({"convert", "corundum.raw", "-o", "-"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("needs -f"), std::string::npos) << r.err;
    // A failure on standard input names it.
    WriteFile(box.file("words.txt"), "not a pattern\n");
    r = box.ToolWith({"info", "-"}, box.file("words.txt"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("error: <stdin>: ", 0), 0u) << r.err;
    // An archive on standard input is copied to TMPDIR first; when it cannot be, the error says why.
    ASSERT_EQ(box.Tool({"convert", "corundum.raw", "-f", "xrdd", "-o", box.file("c.xrdd")}).status, 0);
    std::filesystem::remove(box.file("tmp"));
    r = box.ToolWith({"info", "-"}, box.file("c.xrdd"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot keep standard input in a temporary file: No such file or directory"),
              std::string::npos)
        << r.err;
}

TEST(ToolOutputs, ProcessingBoundsNoticesAndOrder) {
    Sandbox box;
    Result r = box.Tool({"settings", "set", "Esds", "200"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Esds must be from 1 to 100, not 200"), std::string::npos) << r.err;
    r = box.Tool({"process", "corundum.raw", "--errors", "time=200", "-o", box.file("a.xye")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Esds must be from 1 to 100"), std::string::npos) << r.err;
    r = box.Tool({"process", "corundum.raw", "--length", "0", "-o", box.file("a.xye")});
    EXPECT_NE(r.err.find("BackgroundLength must be more than 0"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(box.file("a.xye")));

    // A background fit that gives no background fails the file; nothing unsubtracted is written as if it were.
    r = box.Tool({"process", "corundum.raw", "--background", "--subtract", "--length", "0.01", "-o", box.file("l.xye")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the background fit gave no background"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(box.file("l.xye")));

    // A free wavelength has no K-alpha2 line: stripping does nothing and says so.
    WriteFile(box.file("free.xye"), "# xrddata point file\n# wavelength: 0.5\n10 5 1\n10.1 6 2\n10.2 5 1\n");
    r = box.Tool({"process", box.file("free.xye"), "--strip-ka2", "--no-header", "-o", box.file("f.xye")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("note: " + box.file("free.xye") + ": --strip-ka2 did nothing"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(box.file("f.xye")), "10 5 1\n10.1 6 2\n10.2 5 1\n");

    // With both, the background is fitted before stripping: it is the unstripped fit at its K-alpha1 share.
    ASSERT_EQ(box.Tool({"process", "corundum.raw", "--background", "--no-header", "-o", box.file("b.xye")}).status, 0);
    ASSERT_EQ(box.Tool({"process", "corundum.raw", "--strip-ka2", "--background", "--no-header", "-o",
                        box.file("sb.xye")})
                  .status,
              0);
    const std::vector<Row> plain = Rows(ReadFile(box.file("b.background.xye")));
    const std::vector<Row> stripped = Rows(ReadFile(box.file("sb.background.xye")));
    ASSERT_EQ(plain.size(), 3001u);
    ASSERT_EQ(stripped.size(), plain.size());
    for (size_t i = 0; i < plain.size(); i += 100) EXPECT_NEAR(stripped[i].y, plain[i].y / 1.5, 1e-9 * plain[i].y);
}

TEST(ToolOutputs, JsonStaysJsonWhateverTheBytes) {
    Sandbox box;
    const std::string odd = box.file("caf\xe9\xff.csv");  // Latin-1 and a byte no UTF-8 text holds
    WriteFile(odd, "two_theta,intensity\n10,5\n10.1,6\n");
    Result r = box.Tool({"info", "--json", odd});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string name = ParseJson(r.out)[0]["file"].s;
    EXPECT_NE(name.find("caf\xef\xbf\xbd\xef\xbf\xbd.csv"), std::string::npos) << name;  // U+FFFD each
    if (!testing_support::SamplesDir().empty()) {
        // Shift-JIS header text.
        r = box.Tool({"info", "--json", testing_support::SamplesDir() + "/rigaku-ras/MB120718Si3.ras"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(ParseJson(r.out)[0]["ranges"][0]["points"].n, 1401.0);
    }
    const tool_test::Json settings = ParseJson(box.Tool({"settings", "show", "--json"}).out);
    EXPECT_EQ(settings["Esds"].n, 1.0);
}

TEST(ToolOutputs, WritesFailLoudlyAndNeverDamage) {
    Sandbox box;
    // A full device: the reason and exit 1; the device is still the device.
    Result r = box.Tool({"convert", "corundum.raw", "-o", "/dev/full", "-f", "xye"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
    struct stat st {};
    ASSERT_EQ(stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    // A FIFO nobody reads fails at once instead of waiting.
    const std::string fifo = box.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    r = box.Tool({"convert", "corundum.raw", "-o", fifo, "-f", "xye"});
    EXPECT_EQ(r.status, 1);
    // A full standard output fails the commands that print.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"info", "corundum.raw"}, {"formats"}, {"settings"}}) {
        r = box.ToolWith(args, "/dev/null", "/dev/full");
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << args[0] << r.err;
    }
    if (geteuid() != 0) {
        std::filesystem::create_directory(box.file("ro"));
        chmod(box.file("ro").c_str(), 0555);
        r = box.Tool({"convert", "corundum.raw", "-o", box.file("ro/c.xye")});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("Permission denied"), std::string::npos) << r.err;
        chmod(box.file("ro").c_str(), 0755);
    }

    // A good output replaces the old file by renaming a finished one over it: a link to the old file keeps the
    // old bytes, no temporary file is left.
    EXPECT_EQ(box.Tool({"convert", "corundum.raw", "-o", box.file("out/c.xye")}).status, 1);  // no such folder
    std::filesystem::create_directory(box.file("out"));
    WriteFile(box.file("out/c.xye"), "old\n");
    ASSERT_EQ(link(box.file("out/c.xye").c_str(), box.file("old-link").c_str()), 0);
    ASSERT_EQ(box.Tool({"convert", "corundum.raw", "-o", box.file("out/c.xye")}).status, 0);
    EXPECT_EQ(ReadFile(box.file("old-link")), "old\n");
    EXPECT_NE(ReadFile(box.file("out/c.xye")), "old\n");
    // The new file keeps the mode of the one it replaced: a private output stays private.
    ASSERT_EQ(chmod(box.file("out/c.xye").c_str(), 0600), 0);
    ASSERT_EQ(box.Tool({"convert", "corundum.raw", "-o", box.file("out/c.xye")}).status, 0);
    struct stat mode {};
    ASSERT_EQ(stat(box.file("out/c.xye").c_str(), &mode), 0);
    EXPECT_EQ(mode.st_mode & 07777, 0600u);
    size_t entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(box.file("out"))) entries += e.path().empty() ? 0 : 1;
    EXPECT_EQ(entries, 1u);

    // An output, or its background companion, that is an input is refused before anything is written.
    ASSERT_EQ(box.Tool({"process", "corundum.raw", "--background", "-o", box.file("c.xye")}).status, 0);
    const std::string companion = ReadFile(box.file("c.background.xye"));
    const std::string main = ReadFile(box.file("c.xye"));
    r = box.Tool({"process", box.file("c.background.xye"), "--background", "-o", box.file("c.xye")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is an input file"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(box.file("c.background.xye")), companion);
    EXPECT_EQ(ReadFile(box.file("c.xye")), main);
    // Two inputs whose outputs meet in one folder: refused, nothing written.
    WriteFile(box.file("a.csv"), "two_theta,intensity\n10,5\n10.1,6\n");
    WriteFile(box.file("a.tsv"), "two_theta\tintensity\n10\t5\n10.1\t6\n");
    r = box.Tool({"convert", box.file("a.csv"), box.file("a.tsv"), "-d", box.file("both")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("nothing was written"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(box.file("both")));
}

// An interrupted run ends by its signal and leaves none of its temporary files: twenty scans, each written as it
// is processed, and the interruption comes while the first ones wait to be put in place; and an archive read from
// standard input, interrupted while its copy on disk is read.
TEST(ToolOutputs, AnInterruptedRunLeavesNoTemporaryFiles) {
    Sandbox box;
    std::string uxd = "_FILEVERSION=2\n_WL1=1.540600\n_WL2=1.544390\n_WLRATIO=0.500000\n_ANODE='Cu'\n";
    for (int r = 1; r <= 20; ++r) {
        uxd += "; (Data for Range number " + std::to_string(r) + ")\n_STEPSIZE=0.001\n_START=10.0\n_2THETACOUNTS\n";
        for (int i = 0; i < 30000; ++i) {
            const double x = 10.0 + 0.001 * i;
            uxd += std::to_string(x) + "\t" + std::to_string(100 + int(1000 * std::exp(-std::pow((x - 20) / 0.05, 2)))) +
                   "\n";
        }
    }
    WriteFile(box.file("big.uxd"), uxd);
    const std::string out = box.file("out");
    std::filesystem::create_directory(out);
    const auto entries = [](const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
        return names;
    };
    // Interrupts the run once a file shows in the folder; then it must be gone.
    const auto interruptOnceIn = [&](const std::string& folder, pid_t pid) {
        bool made = false;
        for (int i = 0; i < 150000 && !made; ++i) {
            made = !entries(folder).empty();
            if (!made) usleep(200);
        }
        kill(pid, SIGINT);
        const Result r = box.Wait(pid);
        EXPECT_TRUE(made) << "no temporary file was seen in " << folder;
        EXPECT_EQ(r.status, 128 + SIGINT) << r.err;
        EXPECT_EQ(entries(folder), std::vector<std::string>{});
    };
    interruptOnceIn(out, box.Start(XRDDATA_TOOL_PATH, {"process", box.file("big.uxd"), "--background", "-d", out}));

    // The copy of standard input that the archive reader opens by name, in TMPDIR.
    std::string one = "_FILEVERSION=2\n_WL1=1.540600\n_STEPSIZE=0.0001\n_START=10.0\n_2THETACOUNTS\n";
    for (int i = 0; i < 600000; ++i) one += std::to_string(10.0 + 0.0001 * i) + "\t" + std::to_string(100 + i % 7) + "\n";
    WriteFile(box.file("one.uxd"), one);
    ASSERT_EQ(box.Tool({"convert", box.file("one.uxd"), "-f", "xrdd", "-o", box.file("big.xrdd")}).status, 0);
    interruptOnceIn(box.file("tmp"), box.Start(XRDDATA_TOOL_PATH, {"info", "-"}, box.file("big.xrdd")));
}
