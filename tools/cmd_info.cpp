// xrddata info FILE... [--json]: what a file holds (format, header, radiation, points, range, error mode) and every
// scan (range) in it.
#include <cstdio>

#include <nlohmann/json.hpp>

#include "input.h"
#include "parts/summary.h"
#include "safeout.h"
#include "tool.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/strutil.h"

namespace tool {
namespace {

using nlohmann::ordered_json;

struct RangeFacts {
    size_t points = 0;
    double first = 0.0, last = 0.0, step = 0.0;
    std::optional<double> timePerStep;
};

RangeFacts FactsOf(const xrddata::formats::Scan& s) {
    RangeFacts f;
    f.points = s.size();
    if (f.points > 0) {
        f.first = s.two_theta.front();
        f.last = s.two_theta.back();
        f.step = f.points > 1 ? (f.last - f.first) / static_cast<double>(f.points - 1) : 0.0;
    }
    f.timePerStep = s.step_time;
    return f;
}

ordered_json Number(double v) { return std::isfinite(v) ? ordered_json(v) : ordered_json(nullptr); }

// Today's keys (they describe the pattern of range 1), the format with its version, and every range.
ordered_json SummaryObject(const PatternSummary& s, const Input& in) {
    ordered_json o;
    o["file"] = s.file;
    o["format"] = {{"name", in.format.name},
                   {"code", in.format.code >= 0 ? ordered_json(in.format.code) : ordered_json(nullptr)},
                   {"version", in.format.version}};
    o["sample"] = s.sampleName;
    o["comments"] = s.comments;
    o["collected"] = s.collected.empty() ? ordered_json(nullptr) : ordered_json(s.collected);
    o["radiation"] = {{"target", s.target},
                      {"wavelength", Number(s.wavelength)},
                      {"ka2", s.ka2 != 0},
                      {"ka2_wavelength", Number(s.ka2Wavelength)}};
    o["points"] = s.points;
    o["two_theta"] = {{"first", Number(s.first)}, {"last", Number(s.last)}, {"step", Number(s.step)}};
    o["errors"] = {{"mode", s.customErrors ? "stored" : "counting statistics"}, {"model", CountTypeName(s.countType)}};
    o["type_flag"] = s.typeFlag;
    ordered_json ranges = ordered_json::array();
    const auto& scans = in.measurement.scans;
    for (size_t i = 0; i < scans.size(); ++i) {
        const RangeFacts f = FactsOf(scans[i]);
        ranges.push_back({{"index", i + 1},
                          {"points", f.points},
                          {"first", Number(f.first)},
                          {"last", Number(f.last)},
                          {"step", Number(f.step)},
                          {"time_per_step", f.timePerStep ? Number(*f.timePerStep) : ordered_json(nullptr)}});
    }
    o["ranges"] = std::move(ranges);
    return o;
}

// The summary's text with the format's version and one line per range.
std::string TextOf(const PatternSummary& s, const Input& in) {
    std::string text = SummaryText(s);
    if (!in.format.version.empty()) {
        const std::string key = "format:      ";
        const size_t at = text.find(key);
        const size_t end = at == std::string::npos ? at : text.find('\n', at);
        if (end != std::string::npos) text.insert(end, ", version " + in.format.version);
    }
    const auto& scans = in.measurement.scans;
    text += Format("%-12s %zu\n", "ranges:", scans.size());
    for (size_t i = 0; i < scans.size(); ++i) {
        const RangeFacts f = FactsOf(scans[i]);
        std::string line = Format("  %zu: %zu points", i + 1, f.points);
        if (f.points > 0) line += Format(", %g to %g, step %g", f.first, f.last, f.step);
        if (f.timePerStep) line += Format(", %g s per step", *f.timePerStep);
        text += line + "\n";
    }
    return text;
}

}  // namespace

void ReportWarnings(const Input& in) {
    for (const std::string& w : in.measurement.warnings) ToolUi::Report("warning", w);
}

Runner AddInfo(CLI::App& app) {
    struct Options {
        std::vector<std::string> files;
        bool json = false;
        unsigned jobs = 1;
    };
    auto o = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand("info", "Show the format, header, radiation, points and ranges of files");
    cmd->add_option("files", o->files, "Instrument files or pattern archives (- for standard input)")->required();
    cmd->add_flag("--json", o->json, "One JSON array with an object per file read, for scripts");
    AddJobsOption(*cmd, o->jobs);
    return [o]() {
        std::vector<std::string> texts(o->files.size());
        std::vector<ordered_json> objects(o->files.size());
        std::vector<char> ok(o->files.size(), 0);
        const size_t failed = RunForEach(o->files, o->jobs, [&](size_t i) {
            const Input in = ReadInput(o->files[i]);
            ReportWarnings(in);
            if (in.measurement.scans.empty()) throw std::runtime_error("the file holds no scan");
            CXRDData pattern = ScanPattern(in, 0, false);
            LoadedFormat format;
            format.code = in.format.code;
            format.name = in.format.name;
            const PatternSummary s = Summarize(pattern, o->files[i] == "-" ? "<stdin>" : o->files[i], format);
            if (o->json) objects[i] = SummaryObject(s, in);
            else texts[i] = TextOf(s, in);
            ok[i] = 1;
            return true;
        });
        // Printed in the order given, whatever order the files finished in.
        std::string text;
        if (o->json) {
            ordered_json all = ordered_json::array();
            for (size_t i = 0; i < objects.size(); ++i)
                if (ok[i]) all.push_back(std::move(objects[i]));
            // Bytes that are not UTF-8 (file names, Shift-JIS headers) become U+FFFD: the output stays JSON.
            text = all.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
        } else {
            bool first = true;
            for (size_t i = 0; i < texts.size(); ++i) {
                if (!ok[i]) continue;
                if (!first) text += "\n";
                text += texts[i];
                first = false;
            }
        }
        if (!PrintAll(text)) return kFailed;
        return failed ? kFailed : kOk;
    };
}

}  // namespace tool
