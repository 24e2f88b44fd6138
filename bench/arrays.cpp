// Array of doubles and point set: growth, sorting, searching, text import/export and archive store/load.
#include <benchmark/benchmark.h>

#include <random>

#include "common.h"
#include "xrddata/arrays/graphdata.h"
#include "xrddata/platform/memfile.h"
#include "xrddata/platform/stdiofile.h"
#include "xrddata/platform/strutil.h"
#include "xrddata/platform/ui.h"

static void BM_AddMillion(benchmark::State& state) {
    for (auto _ : state) {
        CdblArray a;
        for (int i = 0; i < 1000000; ++i) a.Add(i);
        benchmark::DoNotOptimize(a.GetData());
    }
}
BENCHMARK(BM_AddMillion)->Unit(benchmark::kMillisecond);

static void BM_SortMillionRandom(benchmark::State& state) {
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> d(0, 1);
    CdblArray src;
    for (int i = 0; i < 1000000; ++i) src.Add(d(rng));
    for (auto _ : state) {
        state.PauseTiming();
        CdblArray a(src);
        state.ResumeTiming();
        a.Sort();
        benchmark::DoNotOptimize(a.GetData());
    }
}
BENCHMARK(BM_SortMillionRandom)->Unit(benchmark::kMillisecond);

static void BM_Locate(benchmark::State& state) {
    CdblArray a;
    for (int i = 0; i < 1000000; ++i) a.Add(i * 0.001);
    double x = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(a.Locate(x));
        x += 0.7;
        if (x > 1000) x = 0;
    }
}
BENCHMARK(BM_Locate);

static void BM_GraphDataSortMillion(benchmark::State& state) {
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> d(5, 105);
    CGraphData src(1);
    for (int i = 0; i < 1000000; ++i) src.Add(d(rng), i, 1.0, 0);
    for (auto _ : state) {
        state.PauseTiming();
        CGraphData g(1);
        g.SetSize(src.GetSize());
        for (int i = 0; i < src.GetSize(); ++i) {
            g.SetAt(CGraphData::X, i, src.GetAt(CGraphData::X, i));
            g.SetAt(CGraphData::Y, i, src.GetAt(CGraphData::Y, i));
            g.SetAt(CGraphData::YError, i, 1.0);
        }
        state.ResumeTiming();
        g.Sort();
    }
}
BENCHMARK(BM_GraphDataSortMillion)->Unit(benchmark::kMillisecond);

static void BM_TextImportMillionLines(benchmark::State& state) {
    std::string path = bench_support::TwoColumnFile(1000000);
    for (auto _ : state) {
        CGraphData g;
        if (!g.DoImportFile(path.c_str())) state.SkipWithError("import failed");
        benchmark::DoNotOptimize(g.GetSize());
    }
}
BENCHMARK(BM_TextImportMillionLines)->Unit(benchmark::kMillisecond);

// The million two-column lines that the export benchmarks write out again.
static CGraphData MillionLines() {
    CGraphData g;
    g.DoImportFile(bench_support::TwoColumnFile(1000000).c_str());
    return g;
}

// A file of that name in the temporary folder.
static std::string TempFile(const char* name) { return (std::filesystem::temp_directory_path() / name).string(); }

static void BM_TextExportMillionLines(benchmark::State& state) {
    CGraphData g = MillionLines();
    const std::string out = TempFile("xrddata-bench-export.txt");
    for (auto _ : state) {
        if (!g.DoExportAsText(out.c_str())) state.SkipWithError("export failed");
    }
    std::filesystem::remove(out);
}
BENCHMARK(BM_TextExportMillionLines)->Unit(benchmark::kMillisecond);

// The export as it was written before: snprintf("%g") in a C-locale scope per value (AppendG), gathered in a
// string, for the before/after figures in one run.
static void BM_TextExportMillionLinesBefore(benchmark::State& state) {
    const CGraphData g = MillionLines();
    const std::string out = TempFile("xrddata-bench-export-before.txt");
    for (auto _ : state) {
        CStdioFile file;
        if (!file.Open(out.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeText)) {
            state.SkipWithError("open failed");
            break;
        }
        CString chunk;
        chunk.reserve(1 << 16);
        const int n = g.GetSize();
        const bool errors = g.IsCustomErrors();
        for (int i = 0; i < n; ++i) {
            AppendG(chunk, g.GetAt(CGraphData::X, i));
            chunk += '\t';
            AppendG(chunk, g.GetAt(CGraphData::Y, i));
            if (errors) {
                chunk += '\t';
                AppendG(chunk, g.GetAt(CGraphData::YError, i));
            }
            chunk += '\n';
            if (chunk.size() > 60000) {
                file.WriteString(chunk);
                chunk.clear();
            }
        }
        file.WriteString(chunk);
        file.Close();
    }
    std::filesystem::remove(out);
}
BENCHMARK(BM_TextExportMillionLinesBefore)->Unit(benchmark::kMillisecond);

static void BM_ArchiveStoreLoadMillion(benchmark::State& state) {
    CGraphData g(1);
    g.SetSize(1000000);
    for (int i = 0; i < 1000000; ++i) {
        g.SetAt(CGraphData::X, i, i * 0.001);
        g.SetAt(CGraphData::Y, i, i);
        g.SetAt(CGraphData::YError, i, 1.0);
    }
    for (auto _ : state) {
        CGraphData back;
        bench_support::ArchiveRoundTrip(g, back);
        benchmark::DoNotOptimize(back.GetSize());
    }
}
BENCHMARK(BM_ArchiveStoreLoadMillion)->Unit(benchmark::kMillisecond);
