#include "plot/patternplot.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "xrddata/arrays/graphdata.h"
#include "plot/axis.h"
#include "plot/svg.h"
#include "xrddata/platform/strutil.h"

PlotSeries SeriesFrom(const CString& label, CGraphData& points, bool dashed) {
    PlotSeries s;
    s.label = label;
    s.dashed = dashed;
    const int n = points.GetSize();
    s.x.reserve(static_cast<size_t>(n));
    s.y.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        s.x.push_back(points.GetAt(CGraphData::X, i));
        s.y.push_back(points.GetAt(CGraphData::Y, i));
    }
    return s;
}

namespace {

const char* const kColours[] = {"#1f4e9c", "#c0392b", "#2e8b57", "#8e44ad", "#d68910", "#17a2b8", "#555555"};

constexpr double kLeft = 84.0, kRight = 24.0, kTop = 44.0, kBottom = 64.0;

std::string TickLabel(double v, bool log) {
    if (log) {
        const int k = static_cast<int>(std::lround(std::log10(v)));
        return k >= 0 && k <= 6 ? Format("%.0f", v) : Format("1e%d", k);
    }
    return Format("%g", v);
}

// Polyline points in pixel space. Long series keep, per pixel column, the first, lowest, highest and last
// point, so that peaks survive thinning and the file stays small.
std::string PolylinePoints(const PlotSeries& s, const AxisScale& ax, const AxisScale& ay, double x0, double y0,
                           double w, double h) {
    std::string out;
    auto put = [&](double px, double py) {
        if (!out.empty()) out += ' ';
        out += SvgWriter::Num(px) + "," + SvgWriter::Num(py);
    };
    const size_t n = std::min(s.x.size(), s.y.size());
    auto px = [&](size_t i) { return x0 + std::clamp(AxisFraction(ax, s.x[i]), -0.01, 1.01) * w; };
    auto py = [&](size_t i) { return y0 + h - std::clamp(AxisFraction(ay, s.y[i]), -0.01, 1.01) * h; };
    if (n <= static_cast<size_t>(4 * w)) {
        for (size_t i = 0; i < n; ++i) put(px(i), py(i));
        return out;
    }
    size_t i = 0;
    while (i < n) {
        const long column = std::lround(px(i));
        size_t j = i, lo = i, hi = i;
        while (j < n && std::lround(px(j)) == column) {
            if (s.y[j] < s.y[lo]) lo = j;
            if (s.y[j] > s.y[hi]) hi = j;
            ++j;
        }
        size_t keep[4] = {i, std::min(lo, hi), std::max(lo, hi), j - 1};
        for (int k = 0; k < 4; ++k)
            if (k == 0 || keep[k] != keep[k - 1]) put(px(keep[k]), py(keep[k]));
        i = j;
    }
    return out;
}

}  // namespace

std::string RenderPlotSvg(const std::vector<PlotSeries>& series, const PlotOptions& o) {
    double xmin = std::numeric_limits<double>::infinity(), xmax = -xmin;
    double ymin = xmin, ymax = -xmin, yminPositive = xmin;
    for (const PlotSeries& s : series) {
        const size_t n = std::min(s.x.size(), s.y.size());
        for (size_t i = 0; i < n; ++i) {
            if (!std::isfinite(s.x[i]) || !std::isfinite(s.y[i])) continue;
            xmin = std::min(xmin, s.x[i]);
            xmax = std::max(xmax, s.x[i]);
            ymin = std::min(ymin, s.y[i]);
            ymax = std::max(ymax, s.y[i]);
            if (s.y[i] > 0.0) yminPositive = std::min(yminPositive, s.y[i]);
        }
    }
    if (!std::isfinite(xmin)) xmin = 0.0, xmax = 1.0, ymin = 0.0, ymax = 1.0;
    const AxisScale ax = LinearAxis(xmin, xmax, 10, false);
    const AxisScale ay = o.logY ? LogAxis(std::isfinite(yminPositive) ? yminPositive : 1.0, ymax)
                                : LinearAxis(std::min(0.0, ymin), ymax * 1.05, 8, true);

    const double x0 = kLeft, y0 = kTop;
    const double w = std::max(10.0, o.width - kLeft - kRight), h = std::max(10.0, o.height - kTop - kBottom);
    SvgWriter svg(o.width, o.height);
    svg.Empty("rect", {{"x", "0"}, {"y", "0"}, {"width", SvgWriter::Num(o.width)},
                       {"height", SvgWriter::Num(o.height)}, {"fill", "white"}});
    if (!o.title.empty())
        svg.Text("text", {{"x", SvgWriter::Num(x0 + w / 2)}, {"y", "26"}, {"text-anchor", "middle"},
                          {"font-family", "sans-serif"}, {"font-size", "16"}},
                 o.title);

    // Axes: frame, ticks, tick labels, axis titles.
    svg.Open("g", {{"id", "axes"}, {"font-family", "sans-serif"}, {"font-size", "12"}, {"stroke-width", "1"}});
    svg.Empty("rect", {{"x", SvgWriter::Num(x0)}, {"y", SvgWriter::Num(y0)}, {"width", SvgWriter::Num(w)},
                       {"height", SvgWriter::Num(h)}, {"fill", "none"}, {"stroke", "black"}});
    for (double t : ax.ticks) {
        const double px = x0 + AxisFraction(ax, t) * w;
        svg.Empty("line", {{"x1", SvgWriter::Num(px)}, {"y1", SvgWriter::Num(y0 + h)}, {"x2", SvgWriter::Num(px)},
                           {"y2", SvgWriter::Num(y0 + h + 6)}, {"stroke", "black"}});
        svg.Text("text", {{"x", SvgWriter::Num(px)}, {"y", SvgWriter::Num(y0 + h + 20)}, {"text-anchor", "middle"}},
                 TickLabel(t, false));
    }
    for (double t : ay.ticks) {
        const double py = y0 + h - AxisFraction(ay, t) * h;
        svg.Empty("line", {{"x1", SvgWriter::Num(x0 - 6)}, {"y1", SvgWriter::Num(py)}, {"x2", SvgWriter::Num(x0)},
                           {"y2", SvgWriter::Num(py)}, {"stroke", "black"}});
        svg.Text("text", {{"x", SvgWriter::Num(x0 - 9)}, {"y", SvgWriter::Num(py + 4)}, {"text-anchor", "end"}},
                 TickLabel(t, ay.log));
    }
    svg.Text("text", {{"x", SvgWriter::Num(x0 + w / 2)}, {"y", SvgWriter::Num(o.height - 16)},
                      {"text-anchor", "middle"}},
             "Two-theta (degrees)");
    const std::string cy = SvgWriter::Num(y0 + h / 2);
    svg.Text("text", {{"x", "20"}, {"y", cy}, {"text-anchor", "middle"}, {"transform", "rotate(-90 20 " + cy + ")"}},
             o.logY ? "Counts (log scale)" : "Counts");
    svg.Close();

    // The series, clipped to the frame.
    svg.Open("defs");
    svg.Open("clipPath", {{"id", "frame"}});
    svg.Empty("rect", {{"x", SvgWriter::Num(x0)}, {"y", SvgWriter::Num(y0)}, {"width", SvgWriter::Num(w)},
                       {"height", SvgWriter::Num(h)}});
    svg.Close();
    svg.Close();
    svg.Open("g", {{"id", "series"}, {"clip-path", "url(#frame)"}, {"fill", "none"}, {"stroke-width", "1.2"}});
    for (size_t i = 0; i < series.size(); ++i) {
        const PlotSeries& s = series[i];
        if (s.x.empty()) continue;
        svg.Empty("polyline", {{"points", PolylinePoints(s, ax, ay, x0, y0, w, h)},
                               {"stroke", kColours[i % std::size(kColours)]},
                               {"stroke-dasharray", s.dashed ? "6 3" : "none"}});
    }
    svg.Close();

    // Legend in the top right corner of the frame.
    if (!series.empty()) {
        const double lw = 230.0, lh = 20.0 * static_cast<double>(series.size()) + 10.0;
        const double lx = x0 + w - lw - 10.0, ly = y0 + 10.0;
        svg.Open("g", {{"id", "legend"}, {"font-family", "sans-serif"}, {"font-size", "12"}});
        svg.Empty("rect", {{"x", SvgWriter::Num(lx)}, {"y", SvgWriter::Num(ly)}, {"width", SvgWriter::Num(lw)},
                           {"height", SvgWriter::Num(lh)}, {"fill", "white"}, {"fill-opacity", "0.85"},
                           {"stroke", "#999999"}});
        for (size_t i = 0; i < series.size(); ++i) {
            const double ry = ly + 15.0 + 20.0 * static_cast<double>(i);
            svg.Empty("line", {{"x1", SvgWriter::Num(lx + 10)}, {"y1", SvgWriter::Num(ry)},
                               {"x2", SvgWriter::Num(lx + 40)}, {"y2", SvgWriter::Num(ry)},
                               {"stroke", kColours[i % std::size(kColours)]}, {"stroke-width", "2"},
                               {"stroke-dasharray", series[i].dashed ? "6 3" : "none"}});
            svg.Text("text", {{"x", SvgWriter::Num(lx + 48)}, {"y", SvgWriter::Num(ry + 4)}}, series[i].label);
        }
        svg.Close();
    }
    return svg.Finish();
}
