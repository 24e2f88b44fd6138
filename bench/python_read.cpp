// The C++ side of the Python reading benchmark: the format core reading a 1,000,000-point XRDML file, the figure
// that bench/python_bench.py sets xrddata.read() from Python against (same file, same machine, same run).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "xrddata/formats/read.h"

namespace {

constexpr int kPoints = 1000000;

// A 1,000,000-point XRDML 2.1 file (counts as one list, positions from start and end), written once to the
// temporary folder; bench/python_bench.py reads the same file.
std::string MillionPointFile() {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("xrddata-bench-python-" + std::to_string(kPoints) + ".xrdml"))
            .string();
    if (std::filesystem::exists(path)) return path;
    const std::string partial = path + ".partial";
    std::FILE* f = std::fopen(partial.c_str(), "wb");
    if (!f) return path;
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
                 5.0 + (kPoints - 1) * 0.0001);
    std::mt19937 rng(1);
    for (int i = 0; i < kPoints; ++i) std::fprintf(f, i ? " %u" : "%u", 100 + rng() % 5000);
    std::fprintf(f, "</counts>\r\n</dataPoints>\r\n</scan>\r\n</xrdMeasurement>\r\n</xrdMeasurements>\r\n");
    std::fclose(f);
    std::filesystem::rename(partial, path);
    return path;
}

void BM_PythonRead_CoreReadFile(benchmark::State& state) {
    const std::string path = MillionPointFile();
    for (auto _ : state) {
        const xrddata::formats::Measurement m = xrddata::formats::read_file(path);
        benchmark::DoNotOptimize(m.scans.front().counts.data());
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
    state.SetLabel(path);
}
BENCHMARK(BM_PythonRead_CoreReadFile)->Unit(benchmark::kMillisecond);

}  // namespace
