// The point set's text import against the line-by-line reading it replaced (a 256-byte ReadString loop with
// ScanDoubles), bit for bit, over tricky and random files, including files larger than the import's read block.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <random>

#include "support/support.h"
#include "support/text_lines.h"
#include "xrddata/arrays/graphdata.h"
#include "xrddata/platform/scan.h"
#include "xrddata/platform/stdiofile.h"

using namespace testing_support;

namespace {

// The former import: the set is changed only by a good file.
int ReferenceImport(CGraphData& g, const std::string& path) {
    CStdioFile file;
    if (!file.Open(path.c_str(), CFile::modeRead | CFile::typeText)) return 0;
    std::vector<double> xs, ys, es;
    bool anyErrors = false;
    char buffer[256];
    while (file.ReadString(buffer, sizeof buffer)) {
        const size_t len = std::strlen(buffer);
        if (len == 0 || buffer[len - 1] != '\n') continue;
        double v[3];
        const int n = ScanDoubles(buffer, v, 3);
        if (n == 3) anyErrors = true;
        else if (n == 2) v[2] = v[1] > 0 ? std::sqrt(v[1]) : DBL_MIN;
        else return 0;
        xs.push_back(v[0]);
        ys.push_back(v[1]);
        es.push_back(v[2]);
    }
    g.RemoveAll();
    if (xs.empty()) return 1;
    const int n = static_cast<int>(xs.size());
    g.SetCustomErrors();
    g.SetSize(n, -1);
    double *x, *y, *e;
    int size;
    g.GetDataRef(x, y, e, size);
    std::memcpy(x, xs.data(), sizeof(double) * xs.size());
    std::memcpy(y, ys.data(), sizeof(double) * ys.size());
    std::memcpy(e, es.data(), sizeof(double) * es.size());
    if (!anyErrors) g.SetCountingStatistics();
    g.Sort();
    return 1;
}

// Everything the set shows: mode and every column as bits.
std::string State(const CGraphData& g) {
    std::string s = g.IsCustomErrors() ? "custom" : "counting";
    for (int i = 0; i < g.GetSize(); ++i)
        for (CGraphData::Prop p : {CGraphData::X, CGraphData::Y, CGraphData::YError})
            s += " " + std::to_string(std::bit_cast<std::uint64_t>(g.GetAt(p, i)));
    return s;
}

// Imports text both ways into a set holding one point with its own error; the results must agree.
int ExpectSameImport(const TempDir& dir, const std::string& text, const std::string& what) {
    WriteFile(dir.file("t.txt"), text);
    CGraphData ours(1), theirs(1);
    ours.Add(7, 49, 0.5, 0);
    theirs.Add(7, 49, 0.5, 0);
    const int r = ours.DoImportFile(dir.file("t.txt").c_str());
    EXPECT_EQ(r, ReferenceImport(theirs, dir.file("t.txt"))) << what;
    EXPECT_EQ(State(ours), State(theirs)) << what;
    return r == 1 ? ours.GetSize() : -1;
}

}  // namespace

TEST(GraphDataTextImport, MatchesTheLineByLineReading) {
    TempDir dir;
    RecordingUi ui;
    for (const std::string& text : TrickyTexts()) ExpectSameImport(dir, text, text.substr(0, 80));
    std::mt19937 rng(1210);
    for (int i = 0; i < 150; ++i) ExpectSameImport(dir, RandomText(rng, 1 + i % 30), "random " + std::to_string(i));
}

TEST(GraphDataTextImport, LargeFilesAcrossReadBlocks) {
    TempDir dir;
    RecordingUi ui;
    // Good lines only (random ones would almost surely hold a bad line), with long lines, CRs and NULs among them,
    // some of them straddling the block boundaries; and a line longer than a whole block.
    std::mt19937 rng(99);
    std::string text;
    for (int i = 0; text.size() < 1500000; ++i) {
        // Padding that keeps the numbers in the line's last piece.
        if (i % 997 == 0) text.append(rng() % 2 ? rng() % 240 : 256 + rng() % 240, ' ');
        if (i % 1499 == 0) text += std::string("\0", 1);
        text += std::to_string(5 + i * 0.001) + (i % 3 ? " " : "\t") + std::to_string(rng() % 5000);
        if (i > 50000 && i % 5 == 0) text += " " + std::to_string(rng() % 70) + ".5";
        text += i % 7 ? "\r\n" : (i % 2 ? "\n" : "\r\r\n");
        if (i % 7 == 0) text += "1 2\n";
    }
    EXPECT_GT(ExpectSameImport(dir, text, "large"), 90000);
    for (std::size_t length : {262143u, 262144u, 262145u, 300000u, 600001u}) {
        const std::string line = std::string(length, ' ') + "3 9\r\n";
        EXPECT_EQ(ExpectSameImport(dir, "1 1\n" + line + "2 4\n", "line of " + std::to_string(length)), 3);
        ExpectSameImport(dir, "1 1\n" + std::string(length, '\r') + "2 4\n", "CRs " + std::to_string(length));
    }
}
