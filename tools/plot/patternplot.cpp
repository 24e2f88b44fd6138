#include "plot/patternplot.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "xrddata/arrays/graphdata.h"
#include "plot/axis.h"
#include "plot/figure.h"
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

std::string TickLabel(double v, bool log) {
    if (log) {
        const int k = static_cast<int>(std::lround(std::log10(v)));
        return k >= 0 && k <= 6 ? Format("%.0f", v) : Format("1e%d", k);
    }
    return Format("%g", v);
}

// Polyline points in pixel space. Long series keep, per pixel column, the first, lowest, highest and last
// point, so that peaks survive thinning and the file stays small.
std::vector<double> PolylinePoints(const PlotSeries& s, const AxisScale& ax, const AxisScale& ay, double x0,
                                   double y0, double w, double h) {
    std::vector<double> out;
    auto put = [&](double px, double py) {
        out.push_back(px);
        out.push_back(py);
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

Shape RectShape(double x, double y, double w, double h, std::string fill, std::string stroke) {
    Shape s;
    s.kind = Shape::Rect;
    s.at = {x, y, w, h};
    s.fill = std::move(fill);
    s.stroke = std::move(stroke);
    return s;
}

Shape LineShape(double x1, double y1, double x2, double y2, std::string stroke, double width = 1.0,
                bool dashed = false) {
    Shape s;
    s.kind = Shape::Line;
    s.at = {x1, y1, x2, y2};
    s.stroke = std::move(stroke);
    s.strokeWidth = width;
    s.dashed = dashed;
    return s;
}

Shape TextShape(double x, double y, std::string text, double size, Shape::Anchor anchor, bool vertical = false) {
    Shape s;
    s.kind = Shape::Text;
    s.at = {x, y};
    s.text = std::move(text);
    s.fontSize = size;
    s.anchor = anchor;
    s.vertical = vertical;
    return s;
}

Shape Marker(Shape::Kind kind, std::string id = {}) {
    Shape s;
    s.kind = kind;
    s.text = std::move(id);
    return s;
}

}  // namespace

Figure BuildPlotFigure(const std::vector<PlotSeries>& series, const PlotOptions& o) {
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

    // Fonts, margins and lines grow with the figure so that a large picture stays readable.
    const double k = std::max(0.5, std::min(o.width / 960.0, o.height / 600.0));
    const double font = 12.0 * k;
    const double x0 = 84.0 * k, y0 = 44.0 * k;
    const double w = std::max(10.0, o.width - x0 - 24.0 * k), h = std::max(10.0, o.height - y0 - 64.0 * k);
    Figure f;
    f.width = o.width;
    f.height = o.height;
    auto add = [&f](Shape s) { f.shapes.push_back(std::move(s)); };
    add(RectShape(0, 0, o.width, o.height, "#ffffff", ""));
    if (!o.title.empty()) add(TextShape(x0 + w / 2, 26.0 * k, o.title, 16.0 * k, Shape::Middle));

    // Axes: frame, ticks, tick labels, axis titles.
    add(Marker(Shape::GroupBegin, "axes"));
    add(RectShape(x0, y0, w, h, "", "#000000"));
    for (double t : ax.ticks) {
        const double px = x0 + AxisFraction(ax, t) * w;
        add(LineShape(px, y0 + h, px, y0 + h + 6 * k, "#000000", k));
        add(TextShape(px, y0 + h + 20 * k, TickLabel(t, false), font, Shape::Middle));
    }
    for (double t : ay.ticks) {
        const double py = y0 + h - AxisFraction(ay, t) * h;
        add(LineShape(x0 - 6 * k, py, x0, py, "#000000", k));
        add(TextShape(x0 - 9 * k, py + 4 * k, TickLabel(t, ay.log), font, Shape::End));
    }
    add(TextShape(x0 + w / 2, o.height - 16 * k, o.xLabel.empty() ? "Two-theta (degrees)" : o.xLabel, font,
                  Shape::Middle));
    const std::string yLabel = !o.yLabel.empty() ? o.yLabel : "Counts";
    add(TextShape(20 * k, y0 + h / 2, o.logY ? yLabel + " (log scale)" : yLabel, font, Shape::Middle, true));
    add(Marker(Shape::GroupEnd));

    // The series, clipped to the frame.
    Shape clip = Marker(Shape::ClipBegin);
    clip.at = {x0, y0, w, h};
    add(clip);
    add(Marker(Shape::GroupBegin, "series"));
    for (size_t i = 0; i < series.size(); ++i) {
        const PlotSeries& s = series[i];
        if (s.x.empty()) continue;
        Shape line;
        line.kind = Shape::Polyline;
        line.at = PolylinePoints(s, ax, ay, x0, y0, w, h);
        line.stroke = kColours[i % std::size(kColours)];
        line.strokeWidth = 1.2 * k;
        line.dashed = s.dashed;
        add(std::move(line));
    }
    add(Marker(Shape::GroupEnd));
    add(Marker(Shape::ClipEnd));

    // Legend in the top right corner of the frame.
    if (!series.empty()) {
        size_t longest = 0;
        for (const PlotSeries& s : series) longest = std::max(longest, s.label.size());
        const double lw = std::max(230.0 * k, (60.0 + 7.0 * static_cast<double>(longest)) * k);
        const double lh = (20.0 * static_cast<double>(series.size()) + 10.0) * k;
        const double lx = x0 + w - lw - 10.0 * k, ly = y0 + 10.0 * k;
        add(Marker(Shape::GroupBegin, "legend"));
        Shape box = RectShape(lx, ly, lw, lh, "#ffffff", "#999999");
        box.fillOpacity = 0.85;
        add(box);
        for (size_t i = 0; i < series.size(); ++i) {
            const double ry = ly + (15.0 + 20.0 * static_cast<double>(i)) * k;
            add(LineShape(lx + 10 * k, ry, lx + 40 * k, ry, kColours[i % std::size(kColours)], 2 * k,
                          series[i].dashed));
            add(TextShape(lx + 48 * k, ry + 4 * k, series[i].label, font, Shape::Start));
        }
        add(Marker(Shape::GroupEnd));
    }
    return f;
}

std::string RenderPlotSvg(const std::vector<PlotSeries>& series, const PlotOptions& options) {
    return RenderSvg(BuildPlotFigure(series, options));
}
