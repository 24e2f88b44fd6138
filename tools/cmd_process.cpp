// xrddata process FILE... [--zero-error D] [--errors M] [--strip-ka2] [--background] [--subtract] [--length L]
// [--stiffness S] [--range N|all] -o OUT | -d DIR: the pattern operations on each scan (--background fits before
// stripping; --subtract alone fits after it); writes the processed points and, with --background, the fitted
// background beside them ("x.background.xye").
#include "convert.h"
#include "input.h"
#include "parts/processing.h"
#include "safeout.h"
#include "tool.h"
#include "write.h"
#include "xrddata/pattern/bounds.h"
#include "xrddata/pattern/netpoints.h"
#include "xrddata/pattern/xrddata.h"

namespace tool {
namespace {

// An option's check by the settings' table of bounds.
CLI::Validator BoundOf(const char* setting) {
    const SettingBound* bound = FindSettingBound(setting);
    return CLI::Validator(
        [bound](std::string& text) -> std::string {
            double v = 0.0;
            if (!CLI::detail::lexical_cast(text, v)) return "not a number: " + text;
            return SettingBoundProblem(*bound, v);
        },
        "NUMBER");
}

}  // namespace

Runner AddProcess(CLI::App& app) {
    struct Options {
        std::vector<std::string> files;
        std::string out, dir, format, errors, range;
        double zero = 0.0, length = 0.0, stiffness = 0.0;
        bool strip = false, background = false, subtract = false, noHeader = false;
        unsigned jobs = 1;
        CLI::Option *zeroOpt = nullptr, *lengthOpt = nullptr, *stiffnessOpt = nullptr;
    };
    auto o = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand("process",
                                       "Zero error, error model, background fit, K-alpha2 stripping and subtraction, "
                                       "in that order (--subtract without --background fits after stripping)");
    cmd->add_option("files", o->files, "Instrument files or pattern archives")->required();
    o->zeroOpt = cmd->add_option("--zero-error", o->zero, "Two-theta zero error in degrees, subtracted from x");
    cmd->add_option("--errors", o->errors, "Error model: raw, scaled=F (factor) or time=P (percent)");
    cmd->add_flag("--strip-ka2", o->strip, "Remove the K-alpha2 component");
    cmd->add_flag("--background", o->background, "Fit a background and write it beside the output");
    cmd->add_flag("--subtract", o->subtract, "Write the background-subtracted points");
    o->lengthOpt = cmd->add_option("--length", o->length, "Background scale length in degrees")
                       ->check(BoundOf("BackgroundLength"));
    o->stiffnessOpt = cmd->add_option("--stiffness", o->stiffness, "Background stiffness (0: no smoothing penalty)")
                          ->check(BoundOf("BackgroundScale"));
    cmd->add_option("-o,--output", o->out, "Output file (one input); the format follows its extension");
    cmd->add_option("-d,--dir", o->dir, "Output folder: one file per input, named after it");
    cmd->add_option("-f,--format", o->format, "text, xye, csv or xrdd (default: from -o, else xye)");
    AddRangeOption(*cmd, o->range);
    cmd->add_flag("--no-header", o->noHeader, "Leave out the # metadata lines of .xye, .csv and .txt outputs");
    AddJobsOption(*cmd, o->jobs);
    return [o]() {
        ProcessOptions options;
        if (*o->zeroOpt) options.zeroError = o->zero;
        if (!o->errors.empty()) {
            try {
                ParseErrorModel(o->errors, options);
            } catch (const std::invalid_argument& e) {
                throw UsageError{std::string("--errors: ") + e.what()};
            }
        }
        options.stripKa2 = o->strip;
        options.background = o->background;
        options.subtract = o->subtract;
        if (*o->lengthOpt) options.length = o->length;
        if (*o->stiffnessOpt) options.stiffness = o->stiffness;
        const OutFormat format = ChosenFormat(o->format, o->out);
        options.keepOriginal = format == OutFormat::Xrdd;
        const RangeChoice range = ParseRange(o->range);
        const std::vector<std::string> outputs = OutputPaths(o->files, o->out, o->dir, format);
        const bool companion = o->background && format != OutFormat::Xrdd;  // an archive keeps its background
        if (companion && o->out == "-") throw UsageError{"--background with -o - has no place for the background"};
        std::vector<std::string> all = outputs;
        if (companion)
            for (const std::string& out : outputs) all.push_back(CompanionPath(out, "background"));
        CheckOutputsApart(o->files, all);
        const size_t failed = RunForEach(o->files, o->jobs, [&](size_t i) {
            auto [in, scans, paths] = ReadScanJob(o->files[i], range, outputs[i]);
            std::vector<std::string> written = paths;
            if (companion)
                for (const std::string& p : paths) written.push_back(CompanionPath(p, "background"));
            CheckOutputsApart({o->files[i]}, written);
            // Each output goes to its file as it is made; all are put in place once every scan is processed.
            StagedOutputs files;
            for (size_t k = 0; k < scans.size(); ++k) {
                CXRDData pattern = ScanPattern(in, scans[k], true);
                ReleaseScanPoints(in, scans[k]);
                ProcessResult result = ProcessPattern(pattern, options);
                for (const CString& notice : result.notices)
                    ToolUi::Report("note", scans.size() > 1 ? "range " + std::to_string(scans[k] + 1) + ": " + notice
                                                             : notice);
                xrddata::formats::WriteContext context = ContextOf(in, scans[k], !o->noHeader);
                context.processing.assign(result.applied.begin(), result.applied.end());
                files.Write(paths[k], [&](xrddata::formats::Sink& sink) {
                    if (result.subtracted) {
                        const CNetPoints net(pattern);
                        WriteKind(sink, format, pattern, net.Columns(), context);
                    } else {
                        WriteKind(sink, format, pattern, ColumnsOf(pattern), context);
                    }
                });
                if (companion) {
                    context.processing.push_back("the fitted background");
                    files.Write(CompanionPath(paths[k], "background"), [&](xrddata::formats::Sink& sink) {
                        WriteKind(sink, format, pattern, ColumnsOf(pattern.m_Background), context);
                    });
                }
            }
            files.Commit();
            return true;
        });
        return failed ? kFailed : kOk;
    };
}

}  // namespace tool
