// xrddata convert FILE... -o OUT | -d DIR [--format F]: the points of any readable file as the text export, .xye,
// CSV, or the whole pattern as an archive.
#include <filesystem>
#include <stdexcept>

#include "tool.h"
#include "write.h"
#include "xrddata/io/load.h"
#include "xrddata/pattern/xrddata.h"

namespace tool {

Runner AddConvert(CLI::App& app) {
    struct Options {
        std::vector<std::string> files;
        std::string out, dir, format;
        unsigned jobs = 1;
    };
    auto o = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand("convert", "Write files as text, .xye, CSV or pattern archives (.xrdd)");
    cmd->add_option("files", o->files, "Instrument files or pattern archives")->required();
    cmd->add_option("-o,--output", o->out, "Output file (one input); the format follows its extension");
    cmd->add_option("-d,--dir", o->dir, "Output folder: one file per input, named after it");
    cmd->add_option("-f,--format", o->format, "text, xye, csv or xrdd (default: from -o, else xye)");
    AddJobsOption(*cmd, o->jobs);
    return [o]() {
        const OutFormat format = !o->format.empty() ? ParseOutFormat(o->format)
                                 : !o->out.empty()  ? FormatOfPath(o->out)
                                                    : OutFormat::Xye;
        const std::vector<std::string> outputs = OutputPaths(o->files, o->out, o->dir, format);
        const size_t failed = RunForEach(o->files, o->jobs, [&](size_t i) {
            CheckNotInput(o->files[i], outputs[i]);
            CXRDData pattern(0);
            LoadedFormat loaded;
            if (!LoadPattern(pattern, o->files[i], loaded)) return false;
            WritePattern(pattern, pattern, format, outputs[i]);
            return true;
        });
        return failed ? kFailed : kOk;
    };
}

}  // namespace tool
