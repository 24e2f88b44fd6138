// xrddata plot FILE... -o OUT.svg|.png|.pdf [--background] [--stripped] [--log] [--stack OFFSET]
// [--normalise max|area] [--x two-theta|d|q]: the patterns of several files in one figure, optionally with the
// K-alpha2-stripped pattern and the fitted background of each, stacked as a waterfall, normalised, against
// d-spacing or Q; drawn from one figure model as SVG (the own writer, searchable text) or by Cairo as PNG or PDF.
#include <cmath>
#include <mutex>

#include "input.h"
#include "plot/figure.h"
#include "plot/patternplot.h"
#include "safeout.h"
#include "tool.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/strutil.h"

namespace fs = std::filesystem;

namespace tool {
namespace {

enum class XAxis { TwoTheta, D, Q };

// Positions in the unit asked for, from two-theta and the file's wavelength.
void ConvertX(PlotSeries& s, XAxis axis, double lambda) {
    if (axis == XAxis::TwoTheta) return;
    constexpr double kDegree = 3.14159265358979323846 / 180.0;
    for (double& x : s.x) {
        const double sine = std::sin(x * kDegree / 2.0);
        x = axis == XAxis::D ? (sine > 0.0 ? lambda / (2.0 * sine) : NAN) : 4.0 * 3.14159265358979323846 * sine / lambda;
    }
}

// The factor that brings a series to its maximum 1 or its area 1 (trapezoids over x); 1 when there is nothing to
// scale by.
double NormaliseFactor(const PlotSeries& s, const std::string& how) {
    if (how.empty()) return 1.0;
    double value = 0.0;
    if (how == "max") {
        for (double y : s.y)
            if (std::isfinite(y)) value = std::max(value, y);
    } else {
        for (size_t i = 1; i < s.x.size() && i < s.y.size(); ++i)
            if (std::isfinite(s.x[i]) && std::isfinite(s.x[i - 1]))
                value += std::fabs(s.x[i] - s.x[i - 1]) * (s.y[i] + s.y[i - 1]) / 2.0;
    }
    return value > 0.0 && std::isfinite(value) ? 1.0 / value : 1.0;
}

}  // namespace

Runner AddPlot(CLI::App& app) {
    struct Options {
        std::vector<std::string> files;
        std::string out, title, normalise, x = "two-theta";
        bool background = false, stripped = false, log = false;
        double stack = 0.0, width = 1600.0, height = 1000.0;
        unsigned jobs = 1;
    };
    auto o = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand("plot", "Plot patterns of one or several files as SVG, PNG or PDF");
    cmd->add_option("files", o->files, "Instrument files or pattern archives (- for standard input)")->required();
    cmd->add_option("-o,--output", o->out, "The picture to write: .svg, .png or .pdf")->required();
    cmd->add_flag("--background", o->background, "Also draw the fitted background");
    cmd->add_flag("--stripped", o->stripped, "Also draw the K-alpha2-stripped pattern");
    cmd->add_flag("--log", o->log, "Counts on a logarithmic axis");
    cmd->add_option("--stack", o->stack, "Waterfall: each file drawn this far above the one before");
    cmd->add_option("--normalise", o->normalise, "Scale each pattern to its maximum or its area: max or area")
        ->check(CLI::IsMember({"max", "area"}));
    cmd->add_option("--x", o->x, "The horizontal axis: two-theta, d (angstrom) or q (1/angstrom)")
        ->check(CLI::IsMember({"two-theta", "d", "q"}));
    cmd->add_option("--width", o->width, "Width in pixels (points for PDF)")->check(CLI::Range(100.0, 20000.0));
    cmd->add_option("--height", o->height, "Height in pixels (points for PDF)")->check(CLI::Range(100.0, 20000.0));
    cmd->add_option("--title", o->title, "Title above the plot");
    AddJobsOption(*cmd, o->jobs);
    return [o]() {
        const std::string ext = MakeLower(fs::path(o->out).extension().string());
        if (ext != ".svg" && ext != ".png" && ext != ".pdf")
            throw UsageError{"the picture is named .svg, .png or .pdf, not " + o->out};
        if (o->log && o->stack != 0.0) throw UsageError{"--stack and --log do not go together"};
        const XAxis axis = o->x == "d" ? XAxis::D : o->x == "q" ? XAxis::Q : XAxis::TwoTheta;
        std::vector<std::vector<PlotSeries>> perFile(o->files.size());
        const size_t failed = RunForEach(o->files, o->jobs, [&](size_t i) {
            const Input in = ReadInput(o->files[i]);
            ReportWarnings(in);
            const auto& meta = in.measurement.meta;
            if (axis != XAxis::TwoTheta && !meta.wavelength && meta.anode.empty())
                throw std::runtime_error("the file states no wavelength, so its points have no d-spacing or Q");
            const size_t count = in.measurement.scans.size();
            std::vector<PlotSeries> series;
            for (size_t k = 0; k < count; ++k) {
                CXRDData pattern = ScanPattern(in, k, o->background);
                const double lambda = pattern.m_Radiation.GetKa1Lambda();
                if (axis != XAxis::TwoTheta && !(lambda > 0.0))
                    throw std::runtime_error("the wavelength is not a positive number");
                const std::string name = (o->files[i] == "-" ? std::string("stdin") : Stem(o->files[i])) +
                                         (count > 1 ? " r" + std::to_string(k + 1) : std::string());
                std::vector<PlotSeries> mine;
                mine.push_back(SeriesFrom(name, pattern));
                // Fitted before stripping, as process does.
                if (o->background) pattern.CalculateBackground(nullptr, nullptr, 0, 0, 0);
                if (o->stripped) {
                    pattern.StripKa2();
                    mine.push_back(SeriesFrom(name + " K-alpha2 stripped", pattern));
                }
                if (o->background) mine.push_back(SeriesFrom(name + " background", pattern.m_Background, true));
                // One factor per scan: the pattern's, so that its background and stripped form stay beside it.
                const double factor = NormaliseFactor(mine.front(), o->normalise);
                for (PlotSeries& s : mine) {
                    ConvertX(s, axis, lambda);
                    for (double& y : s.y) y *= factor;
                    series.push_back(std::move(s));
                }
            }
            perFile[i] = std::move(series);
            return true;
        });
        if (failed == o->files.size()) return kFailed;
        std::vector<PlotSeries> all;
        size_t drawn = 0;
        for (auto& s : perFile) {
            if (s.empty()) continue;
            for (auto& one : s) {
                for (double& y : one.y) y += o->stack * static_cast<double>(drawn);
                all.push_back(std::move(one));
            }
            ++drawn;
        }
        PlotOptions options;
        options.logY = o->log;
        options.title = o->title;
        options.width = o->width;
        options.height = o->height;
        options.xLabel = axis == XAxis::D ? "d-spacing (angstrom)" : axis == XAxis::Q ? "Q (1/angstrom)" : "";
        options.yLabel = !o->normalise.empty() ? (o->normalise == "max" ? "Intensity / maximum" : "Intensity / area")
                                               : "Counts";
        if (o->stack != 0.0) options.yLabel += ", stacked";
        ToolUi::SetCurrentFile(o->out);
        try {
            const Figure figure = BuildPlotFigure(all, options);
            WriteOutput(o->out, ext == ".svg"   ? RenderSvg(figure)
                                : ext == ".png" ? RenderCairo(figure, RasterKind::Png)
                                                : RenderCairo(figure, RasterKind::Pdf));
        } catch (const std::exception& e) {
            ToolUi::Report("error", e.what());
            return kFailed;
        }
        ToolUi::SetCurrentFile(std::string());
        return failed ? kFailed : kOk;
    };
}

}  // namespace tool
