// Reading binary raw files: a DIFFRAC-plus file of 1 000 000 points and a STOE file of 16 384 int32 points.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "common.h"
#include "xrddata/import/importer.h"
#include "xrddata/pattern/xrddata.h"

namespace {

using bench_support::ImportReaderLoop;
using bench_support::Put16;
using bench_support::Put32;
using bench_support::PutF32;
using bench_support::Save;

std::string DiffracPlusFile(int n) { return Save("plus.raw", bench_support::DiffracPlusBytes(n)); }

std::string StoeFile(int n) {
    const size_t records = 2 + (static_cast<size_t>(n) + 127) / 128;
    std::string b(512 * records, '\0');
    std::memcpy(&b[0], "RAW_1.05", 8);
    Put16(b, 310, 3);
    PutF32(b, 322, 1.5406f);
    Put16(b, 378, 1);
    Put32(b, 466, 1);
    Put16(b, 480, 2);  // range 1 header in record 2
    Put16(b, 512 + 34, static_cast<std::uint16_t>(n));
    Put16(b, 512 + 38, 2);
    PutF32(b, 512 + 40, 2.0f);
    PutF32(b, 512 + 44, 5.0f);
    PutF32(b, 512 + 60, 0.01f);
    for (int i = 0; i < n; ++i) Put32(b, 1024 + 4 * static_cast<size_t>(i), static_cast<std::uint32_t>(i % 7000));
    return Save("stoe.raw", b);
}

}  // namespace

static void BM_ReadDiffracPlus_1M(benchmark::State& state) {
    ImportReaderLoop(state, DiffracPlusFile(1000000), &CFileImporter::ReadDiffracPlusFile, 1000000);
}
BENCHMARK(BM_ReadDiffracPlus_1M)->Unit(benchmark::kMillisecond);

static void BM_ReadStoe_16384(benchmark::State& state) {
    ImportReaderLoop(state, StoeFile(16384), &CFileImporter::ReadStoeFile, 16384);
}
BENCHMARK(BM_ReadStoe_16384)->Unit(benchmark::kMicrosecond);
