// Helpers shared by the benchmark programs: synthetic data files in a temporary folder.
#pragma once

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

namespace bench_support {

// A two-column text file of n lines "two-theta counts" (CR LF), written once per process and path.
inline std::string TwoColumnFile(int n) {
    std::string path = (std::filesystem::temp_directory_path() / ("xrddata-bench-" + std::to_string(n) + ".xy")).string();
    if (std::filesystem::exists(path)) return path;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::mt19937 rng(1);
    for (int i = 0; i < n; ++i) std::fprintf(f, "%.4f %u\r\n", 5.0 + i * 0.001, 100 + rng() % 5000);
    std::fclose(f);
    return path;
}

}  // namespace bench_support
