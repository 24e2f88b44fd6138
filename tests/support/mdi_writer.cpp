#include "support/mdi_writer.h"

#include <cstdio>

namespace testing_support {

std::string WriteMdi(const MdiFile& f) {
    std::string title = f.title.value_or("");
    if (!f.title) {
        title = f.date;
        title.resize(16, ' ');
        title += f.code;
        title.resize(20, ' ');
        title += f.sample;
    }
    const int n = static_cast<int>(f.counts.size());
    char line[512];
    std::snprintf(line, sizeof line, "%.6f %.6f %.6f %s %.6f %.6f %d", f.start, f.step, f.unused, f.anode.c_str(),
                  f.wavelength, f.end.value_or(f.start + (n > 1 ? n - 1 : 1) * f.step), f.pointCount.value_or(n));
    std::string out = title + "\r\n" + line + "\r\n";
    for (int i = 0; i < n; ++i) {
        std::snprintf(line, sizeof line, "%s%.10g", i % f.perLine ? " " : "", f.counts[static_cast<size_t>(i)]);
        out += line;
        if ((i + 1) % f.perLine == 0 || i + 1 == n) out += "\r\n";
    }
    return out;
}

}  // namespace testing_support
