#include "xrddata/formats/gsas_writer.h"

#include "xrddata/formats/decimal.h"
#include "xrddata/formats/pointtext.h"

namespace xrddata::formats {

void WriteFxye(Sink& out, const Points& points, const WriteContext& context) {
    CheckPoints(points, "a GSAS FXYE file");
    const std::size_t n = points.two_theta.size();
    std::string text = TitleLine(context, 80) + "\n";
    // BCOEF1 and BCOEF2 of a constant-wavelength bank: the first position and the mean step, in centidegrees.
    const double first = n ? points.two_theta[0] : 0.0;
    const double step = n > 1 ? (points.two_theta[n - 1] - first) / static_cast<double>(n - 1) : 0.0;
    text += "BANK 1 " + std::to_string(n) + " " + std::to_string(n) + " CONST " + ScaledText(first, 2) + " " +
            ScaledText(step, 2) + " 0 0 FXYE\n";
    out.write(text);
    text.clear();
    WriteRows(out, text, n, [&](std::string& line, std::size_t i) {
        line += ScaledText(points.two_theta[i], 2);
        line += ' ';
        AppendShortest(line, points.counts[i]);
        line += ' ';
        AppendShortest(line, points.sigma.empty() ? CountingSigma(points.counts[i]) : points.sigma[i]);
    });
}

}  // namespace xrddata::formats
