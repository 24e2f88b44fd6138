// xrddata plot FILE... -o OUT.svg [--background] [--stripped] [--log]: the patterns in one SVG plot, optionally
// with the K-alpha2-stripped pattern and the fitted background of each.
#include <mutex>

#include "input.h"
#include "safeout.h"
#include "tool.h"
#include "xrddata/pattern/xrddata.h"
#include "plot/patternplot.h"

namespace tool {

Runner AddPlot(CLI::App& app) {
    struct Options {
        std::vector<std::string> files;
        std::string out, title;
        bool background = false, stripped = false, log = false;
        unsigned jobs = 1;
    };
    auto o = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand("plot", "Plot patterns as SVG (pattern, stripped pattern, background)");
    cmd->add_option("files", o->files, "Instrument files or pattern archives")->required();
    cmd->add_option("-o,--output", o->out, "The SVG file to write")->required();
    cmd->add_flag("--background", o->background, "Also draw the fitted background");
    cmd->add_flag("--stripped", o->stripped, "Also draw the K-alpha2-stripped pattern");
    cmd->add_flag("--log", o->log, "Counts on a logarithmic axis");
    cmd->add_option("--title", o->title, "Title above the plot");
    AddJobsOption(*cmd, o->jobs);
    return [o]() {
        std::vector<std::vector<PlotSeries>> perFile(o->files.size());
        const size_t failed = RunForEach(o->files, o->jobs, [&](size_t i) {
            const Input in = ReadInput(o->files[i]);
            ReportWarnings(in);
            const size_t count = in.measurement.scans.size();
            std::vector<PlotSeries> series;
            for (size_t k = 0; k < count; ++k) {
                CXRDData pattern = ScanPattern(in, k, o->background);
                const std::string name =
                    (o->files[i] == "-" ? std::string("stdin") : Stem(o->files[i])) +
                    (count > 1 ? " r" + std::to_string(k + 1) : std::string());
                series.push_back(SeriesFrom(name, pattern));
                if (o->background) {
                    // Fitted before stripping, as process does.
                    pattern.CalculateBackground(nullptr, nullptr, 0, 0, 0);
                }
                if (o->stripped) {
                    pattern.StripKa2();
                    series.push_back(SeriesFrom(name + " K-alpha2 stripped", pattern));
                }
                if (o->background) series.push_back(SeriesFrom(name + " background", pattern.m_Background, true));
            }
            perFile[i] = std::move(series);
            return true;
        });
        if (failed == o->files.size()) return kFailed;
        std::vector<PlotSeries> all;
        for (auto& s : perFile)
            for (auto& one : s) all.push_back(std::move(one));
        PlotOptions options;
        options.logY = o->log;
        options.title = o->title;
        ToolUi::SetCurrentFile(o->out);
        try {
            WriteOutput(o->out, RenderPlotSvg(all, options));
        } catch (const std::exception& e) {
            ToolUi::Report("error", e.what());
            return kFailed;
        }
        ToolUi::SetCurrentFile(std::string());
        return failed ? kFailed : kOk;
    };
}

}  // namespace tool
