#include "xrddata/formats/tsv_writer.h"

#include "xrddata/formats/pointtext.h"

namespace xrddata::formats {

void WriteTsv(Sink& out, const Points& points, const WriteContext&) {
    CheckPoints(points, "a TSV file", true);
    std::string text = points.sigma.empty() ? "two_theta\tintensity\n" : "two_theta\tintensity\terror\n";
    WritePointRows(out, text, points, '\t');
}

}  // namespace xrddata::formats
