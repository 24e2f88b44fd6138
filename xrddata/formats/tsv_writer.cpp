#include "xrddata/formats/tsv_writer.h"

#include "xrddata/formats/decimal.h"
#include "xrddata/formats/pointtext.h"

namespace xrddata::formats {

void WriteTsv(Sink& out, const Points& points, const WriteContext&) {
    CheckPoints(points, "a TSV file", true);
    std::string text = points.sigma.empty() ? "two_theta\tintensity\n" : "two_theta\tintensity\terror\n";
    const std::size_t n = points.two_theta.size();
    for (std::size_t i = 0; i < n; ++i) {
        AppendShortest(text, points.two_theta[i]);
        text += '\t';
        AppendShortest(text, points.counts[i]);
        if (!points.sigma.empty()) {
            text += '\t';
            AppendShortest(text, points.sigma[i]);
        }
        text += '\n';
        if (text.size() > 1 << 16) {
            out.write(text);
            text.clear();
        }
    }
    out.write(text);
}

}  // namespace xrddata::formats
