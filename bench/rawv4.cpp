// Reading Bruker RAW version 4 against DIFFRAC-plus RAW1.01: the same 1 000 000 float32 counts as a RAW4.00 file
// read by the format core (by its code, and with content detection), and as a DIFFRAC-plus file read by the
// import's reader (CFileImporter::ReadDiffracPlusFile), in the same run. Compare the time per point
// (1 / items_per_second).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "common.h"
#include "xrddata/formats/read.h"
#include "xrddata/import/importer.h"
#include "xrddata/pattern/xrddata.h"

namespace {

constexpr int kPoints = 1000000;

using bench_support::Put32;
using bench_support::PutF32;
using bench_support::PutF64;
using bench_support::Save;

float Count(int i) { return static_cast<float>(100 + i % 5000); }

// A RAW4.00 file: header, a SAMPLEID segment and a tube segment, one range with two drive-start records.
std::string RawV4File(int n) {
    const std::size_t segments = 36 + 8 + 136;
    const std::size_t extra = 2 * 92;
    const std::size_t range = 61 + segments;
    const std::size_t data = range + 160 + extra;
    std::string b(data + 4 * static_cast<std::size_t>(n), '\0');
    std::memcpy(&b[0], "RAW4.00", 7);
    std::memcpy(&b[12], "07/11/2018", 10);
    std::memcpy(&b[24], "15:55:31", 8);
    Put32(b, 56, static_cast<std::uint32_t>(segments));
    std::size_t at = 61;
    Put32(b, at, 10), Put32(b, at + 4, 44), std::memcpy(&b[at + 12], "SAMPLEID", 8), std::memcpy(&b[at + 36], "bench", 5);
    at += 44;
    Put32(b, at, 30), Put32(b, at + 4, 136);
    PutF64(b, at + 80, 1.5406), PutF64(b, at + 88, 1.54439), PutF64(b, at + 96, 1.39222), PutF64(b, at + 104, 0.5);
    std::memcpy(&b[at + 116], "Cu", 2);
    Put32(b, range + 4, static_cast<std::uint32_t>(n));
    std::memcpy(&b[range + 32], "Locked Coupled", 14);
    PutF64(b, range + 72, 5.0), PutF64(b, range + 80, 0.0001);
    Put32(b, range + 88, static_cast<std::uint32_t>(n));
    PutF32(b, range + 92, 1.0f);
    Put32(b, range + 136, 4), Put32(b, range + 140, static_cast<std::uint32_t>(extra));
    for (std::size_t k = 0; k < 2; ++k) {
        const std::size_t r = range + 160 + 92 * k;
        Put32(b, r, 50), Put32(b, r + 4, 92);
        std::memcpy(&b[r + 12], k ? "Theta" : "2Theta", k ? 5 : 6);
        PutF64(b, r + 56, k ? 2.5 : 5.0);
    }
    for (int i = 0; i < n; ++i) PutF32(b, data + 4 * static_cast<std::size_t>(i), Count(i));
    return Save("bench.raw4", b);
}

// The same counts as a DIFFRAC-plus RAW1.01 file of one range.
std::string DiffracPlusFile(int n) { return Save("bench.raw1", bench_support::DiffracPlusBytes(n)); }

void BM_RawV4_ReadFile(benchmark::State& state) {
    const std::string path = RawV4File(kPoints);
    for (auto _ : state) {
        const xrddata::formats::Measurement m = xrddata::formats::read_file(path, 12);
        if (m.scans.front().size() != kPoints) state.SkipWithError("wrong point count");
        benchmark::DoNotOptimize(m.scans.front().counts.data());
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}

void BM_RawV4_ReadFileDetected(benchmark::State& state) {
    const std::string path = RawV4File(kPoints);
    for (auto _ : state) {
        const xrddata::formats::Measurement m = xrddata::formats::read_file(path);
        if (m.meta.format_code != 12) state.SkipWithError("not detected as RAW v4");
        benchmark::DoNotOptimize(m.scans.front().counts.data());
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}

void BM_DiffracPlus_ReadFile(benchmark::State& state) {
    bench_support::ImportReaderLoop(state, DiffracPlusFile(kPoints), &CFileImporter::ReadDiffracPlusFile, kPoints);
}

}  // namespace

BENCHMARK(BM_RawV4_ReadFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawV4_ReadFileDetected)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiffracPlus_ReadFile)->Unit(benchmark::kMillisecond);
