// Fuzz target: the point set's own text import (CGraphData::DoImportFile), each input the file's content. Checked
// besides the sanitizers (a broken check aborts):
//   - a refused file leaves the set exactly as it was (its points and error mode);
//   - an imported set writes as text (DoExportAsText) that imports again with as many points.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "xrddata/arrays/graphdata.h"

namespace {

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "point text check failed: %s\n", what);
    std::abort();
}

struct Columns {
    std::vector<double> x, y, e;
    int custom;
    bool operator==(const Columns& o) const {
        // Compared as bytes: a NaN the set held must still be there.
        auto same = [](const std::vector<double>& a, const std::vector<double>& b) {
            return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * 8) == 0);
        };
        return custom == o.custom && same(x, o.x) && same(y, o.y) && same(e, o.e);
    }
};

Columns Of(CGraphData& g) {
    Columns c;
    c.custom = g.IsCustomErrors();
    for (int i = 0; i < g.GetSize(); ++i) {
        c.x.push_back(g.GetAt(CGraphData::X, i));
        c.y.push_back(g.GetAt(CGraphData::Y, i));
        c.e.push_back(g.GetAt(CGraphData::YError, i));
    }
    return c;
}

// A second memory file, for the export.
std::string ExportPath() {
    static const int fd = ::memfd_create("xrddata-fuzz-export", 0);
    if (fd < 0) std::abort();
    return "/proc/self/fd/" + std::to_string(fd);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_support::Setup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string path = fuzz_support::AsFile(data, size);
    const double x[] = {10.0, 10.5, 11.0}, y[] = {100.0, 250.0, 90.0}, err[] = {10.0, 15.8, 9.5};
    CGraphData g(3, x, y, err);
    const Columns before = Of(g);
    if (!g.DoImportFile(path.c_str())) {
        Check(Of(g) == before, "a refused file changed the set");
        return 0;
    }
    const int n = g.GetSize();
    if (n == 0) return 0;
    const std::string out = ExportPath();
    Check(g.DoExportAsText(out.c_str()) != 0, "an imported set does not export");
    CGraphData again;
    Check(again.DoImportFile(out.c_str()) != 0, "an exported set does not import");
    Check(again.GetSize() == n, "an exported set imports with another point count");
    return 0;
}
