// XRDML reading against two-column text: a 100 000-point XRDML file (counts as one space-separated list, 2Theta
// from start and end) read by the format core, next to the same points as two-column text read by the import's
// text reader (CFileImporter::ReadTextFile), in the same run. Also the XRDML parse alone, from memory.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "common.h"
#include "xrddata/formats/read.h"
#include "xrddata/import/importer.h"
#include "xrddata/pattern/xrddata.h"

namespace {

constexpr int kPoints = 100000;

// The points of bench_support::TwoColumnFile(n) as an XRDML 2.1 file (no declaration, CR LF), written once.
std::string XrdmlFile(int n) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("xrddata-bench-" + std::to_string(n) + ".xrdml")).string();
    if (std::filesystem::exists(path)) return path;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fprintf(f,
                 "<xrdMeasurements xmlns=\"http://www.xrdml.com/XRDMeasurement/2.1\" status=\"Completed\">\r\n"
                 "<sample type=\"To be analyzed\"><id>bench</id><name>bench</name></sample>\r\n"
                 "<xrdMeasurement measurementType=\"Scan\" status=\"Completed\">\r\n"
                 "<usedWavelength intended=\"K-Alpha\"><kAlpha1 unit=\"Angstrom\">1.5405980</kAlpha1>"
                 "<kAlpha2 unit=\"Angstrom\">1.5444260</kAlpha2><ratioKAlpha2KAlpha1>0.5000</ratioKAlpha2KAlpha1>"
                 "</usedWavelength>\r\n"
                 "<scan appendNumber=\"0\" mode=\"Continuous\" scanAxis=\"Gonio\" status=\"Completed\">\r\n"
                 "<header><startTimeStamp>2021-03-16T13:10:14+03:00</startTimeStamp></header>\r\n<dataPoints>\r\n"
                 "<positions axis=\"2Theta\" unit=\"deg\"><startPosition>5.0000</startPosition>"
                 "<endPosition>%.4f</endPosition></positions>\r\n"
                 "<commonCountingTime unit=\"seconds\">1.000</commonCountingTime>\r\n<counts unit=\"counts\">",
                 5.0 + (n - 1) * 0.001);
    std::mt19937 rng(1);
    for (int i = 0; i < n; ++i) std::fprintf(f, i ? " %u" : "%u", 100 + rng() % 5000);
    std::fprintf(f, "</counts>\r\n</dataPoints>\r\n</scan>\r\n</xrdMeasurement>\r\n</xrdMeasurements>\r\n");
    std::fclose(f);
    return path;
}

void BM_Xrdml_ReadFile(benchmark::State& state) {
    const std::string path = XrdmlFile(kPoints);
    for (auto _ : state) {
        const xrddata::formats::Measurement m = xrddata::formats::read_file(path, 14);
        benchmark::DoNotOptimize(m.scans.front().counts.data());
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}

void BM_Xrdml_ParseFromMemory(benchmark::State& state) {
    const xrddata::formats::FileBytes file = xrddata::formats::load_file(XrdmlFile(kPoints));
    for (auto _ : state) {
        const xrddata::formats::Measurement m = xrddata::formats::read_bytes(file.bytes(), "bench", 14);
        benchmark::DoNotOptimize(m.scans.front().counts.data());
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}

void BM_Text_ReadTextFile(benchmark::State& state) {
    bench_support::Box();
    const std::string path = bench_support::TwoColumnFile(kPoints);
    CXRDData d;
    CFileImporter importer(&d);
    for (auto _ : state) {
        if (!importer.ReadTextFile(path)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(d.GetSize());
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}

}  // namespace

BENCHMARK(BM_Xrdml_ReadFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Xrdml_ParseFromMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Text_ReadTextFile)->Unit(benchmark::kMillisecond);
