#include "xrddata/formats/pointtext.h"

#include "xrddata/formats/decimal.h"

#include <cmath>
#include <stdexcept>

namespace xrddata::formats {

void CheckPoints(const Points& points, const char* kind, bool allow_nonfinite_values) {
    const std::size_t n = points.two_theta.size();
    if (points.counts.size() != n || (!points.sigma.empty() && points.sigma.size() != n))
        throw std::invalid_argument("the columns of the points differ in length");
    for (std::size_t i = 0; i < n; ++i) {
        const bool bad = !std::isfinite(points.two_theta[i]) ||
                         (!allow_nonfinite_values &&
                          (!std::isfinite(points.counts[i]) || (!points.sigma.empty() && !std::isfinite(points.sigma[i])))) ||
                         (!allow_nonfinite_values && !points.sigma.empty() && points.sigma[i] < 0);
        if (bad)
            throw std::runtime_error(std::string(kind) + " cannot hold point " + std::to_string(i + 1) +
                                     ": its position, intensity or error is not a finite number, or the error is "
                                     "negative");
    }
}

double CountingSigma(double y) { return y >= 1 ? std::sqrt(y) : 1.0; }

std::string TitleLine(const WriteContext& context, std::size_t width) {
    std::string t;
    if (context.meta && !context.meta->sample.empty()) t = context.meta->sample;
    else if (!context.source.empty()) t = context.source.substr(context.source.find_last_of('/') + 1);
    else t = "xrddata pattern";
    for (char& c : t)
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    if (t.size() > width) t.resize(width);
    return t;
}

void WritePointRows(Sink& out, std::string& text, const Points& points, char separator) {
    WriteRows(out, text, points.two_theta.size(), [&](std::string& line, std::size_t i) {
        AppendShortest(line, points.two_theta[i]);
        line += separator;
        AppendShortest(line, points.counts[i]);
        if (!points.sigma.empty()) {
            line += separator;
            AppendShortest(line, points.sigma[i]);
        }
    });
}

}  // namespace xrddata::formats
