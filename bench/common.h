// Helpers shared by the benchmark programs: synthetic data files in a temporary folder, and a settings store
// there for the programs that construct patterns.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace bench_support {

// Points the settings store at a temporary folder for the program's lifetime.
struct Sandbox {
    Sandbox() {
        std::string templ = (std::filesystem::temp_directory_path() / "xrddata-bench-XXXXXX").string();
        if (!mkdtemp(templ.data())) std::abort();
        dir = templ;
        ::setenv("XRDDATA_USER_REGISTRY", (dir / "user.reg").string().c_str(), 1);
        ::setenv("XRDDATA_SYSTEM_REGISTRY", (dir / "system.reg").string().c_str(), 1);
    }
    ~Sandbox() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::filesystem::path dir;
};

inline Sandbox& Box() {
    static Sandbox box;
    return box;
}

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
