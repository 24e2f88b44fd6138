// xrddata convert FILE... -o OUT | -d DIR [--format F] [--range N|all] [--no-header]: the points of any readable
// file in one of the output kinds, or the whole pattern as an archive; one output per scan.
#include "convert.h"

#include "input.h"
#include "safeout.h"
#include "tool.h"
#include "write.h"

namespace tool {

std::vector<std::string> ScanOutputs(const std::string& output, const std::vector<size_t>& scans) {
    std::vector<std::string> paths;
    for (size_t k = 0; k < scans.size(); ++k) paths.push_back(ScanOutputPath(output, scans[k], scans.size()));
    return paths;
}

ScanJob ReadScanJob(const std::string& file, const RangeChoice& range, const std::string& output) {
    ScanJob job{ReadInput(file), {}, {}};
    ReportWarnings(job.in);
    job.scans = ChosenScans(range, job.in.measurement.scans.size());
    job.paths = ScanOutputs(output, job.scans);
    return job;
}

xrddata::formats::WriteContext ContextOf(const Input& in, size_t scan, bool header) {
    xrddata::formats::WriteContext c;
    c.meta = &in.measurement.meta;
    c.scan = &in.measurement.scans.at(scan);
    c.scan_index = scan;
    c.source = Printable(in.path);
    c.header = header;
    return c;
}

Runner AddConvert(CLI::App& app) {
    struct Options {
        std::vector<std::string> files;
        std::string out, dir, format, range;
        bool noHeader = false;
        unsigned jobs = 1;
    };
    auto o = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand("convert", "Write files as .xye, CSV, text, pattern archives (.xrdd) or "
                                                  "refinement-program files (fxye, fullprof, cif, tsv)");
    cmd->add_option("files", o->files, "Instrument files or pattern archives (- for standard input)")->required();
    cmd->add_option("-o,--output", o->out, "Output file (one input; - for standard output with -f); the format "
                                           "follows its extension");
    cmd->add_option("-d,--dir", o->dir, "Output folder: one file per input, named after it");
    cmd->add_option("-f,--format", o->format,
                    "text, xye, csv, xrdd, fxye, fullprof, cif or tsv (default: from -o, else xye)");
    AddRangeOption(*cmd, o->range);
    cmd->add_flag("--no-header", o->noHeader, "Leave out the # metadata lines of .xye, .csv and .txt outputs");
    AddJobsOption(*cmd, o->jobs);
    return [o]() {
        const OutFormat format = ChosenFormat(o->format, o->out);
        const RangeChoice range = ParseRange(o->range);
        const std::vector<std::string> outputs = OutputPaths(o->files, o->out, o->dir, format);
        CheckOutputsApart(o->files, outputs);
        const size_t failed = RunForEach(o->files, o->jobs, [&](size_t i) {
            auto [in, scans, paths] = ReadScanJob(o->files[i], range, outputs[i]);
            CheckOutputsApart({o->files[i]}, paths);
            // Each output goes to its file as it is made; all are put in place once every scan is written, so a
            // scan that cannot be written writes nothing.
            StagedOutputs files;
            for (size_t k = 0; k < scans.size(); ++k) {
                CXRDData pattern = ScanPattern(in, scans[k], false);
                ReleaseScanPoints(in, scans[k]);
                files.Write(paths[k], [&](xrddata::formats::Sink& sink) {
                    WriteKind(sink, format, pattern, ColumnsOf(pattern), ContextOf(in, scans[k], !o->noHeader));
                });
            }
            files.Commit();
            return true;
        });
        return failed ? kFailed : kOk;
    };
}

}  // namespace tool
