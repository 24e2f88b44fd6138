// xrddata process FILE... [--zero-error D] [--errors M] [--strip-ka2] [--background] [--subtract] [--length L]
// [--stiffness S] -o OUT | -d DIR: the pattern operations in that order; writes the processed points and, with
// --background, the fitted background beside them ("x.background.xye").
#include "tool.h"
#include "write.h"
#include "xrddata/io/load.h"
#include "xrddata/io/processing.h"
#include "xrddata/pattern/xrddata.h"

namespace tool {

Runner AddProcess(CLI::App& app) {
    struct Options {
        std::vector<std::string> files;
        std::string out, dir, format, errors;
        double zero = 0.0, length = 0.0, stiffness = 0.0;
        bool strip = false, background = false, subtract = false;
        unsigned jobs = 1;
        CLI::Option *zeroOpt = nullptr, *lengthOpt = nullptr, *stiffnessOpt = nullptr;
    };
    auto o = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand(
        "process", "Zero error, error model, K-alpha2 stripping, background fit and subtraction, in that order");
    cmd->add_option("files", o->files, "Instrument files or pattern archives")->required();
    o->zeroOpt = cmd->add_option("--zero-error", o->zero, "Two-theta zero error in degrees, subtracted from x");
    cmd->add_option("--errors", o->errors, "Error model: raw, scaled=F (factor) or time=P (percent)");
    cmd->add_flag("--strip-ka2", o->strip, "Remove the K-alpha2 component");
    cmd->add_flag("--background", o->background, "Fit a background and write it beside the output");
    cmd->add_flag("--subtract", o->subtract, "Write the background-subtracted points");
    o->lengthOpt = cmd->add_option("--length", o->length, "Background scale length in degrees")
                       ->check(CLI::PositiveNumber);
    o->stiffnessOpt = cmd->add_option("--stiffness", o->stiffness, "Background stiffness")
                          ->check(CLI::PositiveNumber);
    cmd->add_option("-o,--output", o->out, "Output file (one input); the format follows its extension");
    cmd->add_option("-d,--dir", o->dir, "Output folder: one file per input, named after it");
    cmd->add_option("-f,--format", o->format, "text, xye, csv or xrdd (default: from -o, else xye)");
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
        const OutFormat format = !o->format.empty() ? ParseOutFormat(o->format)
                                 : !o->out.empty()  ? FormatOfPath(o->out)
                                                    : OutFormat::Xye;
        const std::vector<std::string> outputs = OutputPaths(o->files, o->out, o->dir, format);
        const size_t failed = RunForEach(o->files, o->jobs, [&](size_t i) {
            CheckNotInput(o->files[i], outputs[i]);
            CXRDData pattern(0);
            LoadedFormat loaded;
            if (!LoadPattern(pattern, o->files[i], loaded)) return false;
            ProcessResult result = ProcessPattern(pattern, options);
            WritePattern(pattern, result.points, format, outputs[i]);
            // An archive keeps the background inside the pattern record.
            if (o->background && format != OutFormat::Xrdd)
                WritePattern(pattern, result.background, format, CompanionPath(outputs[i], "background"));
            return true;
        });
        return failed ? kFailed : kOk;
    };
}

}  // namespace tool
