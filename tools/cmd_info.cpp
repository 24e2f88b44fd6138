// xrddata info FILE... [--json]: what a file holds (format, header, radiation, points, range, error mode).
#include <cstdio>

#include "tool.h"
#include "xrddata/io/load.h"
#include "xrddata/io/summary.h"
#include "xrddata/pattern/xrddata.h"

namespace tool {

Runner AddInfo(CLI::App& app) {
    struct Options {
        std::vector<std::string> files;
        bool json = false;
        unsigned jobs = 1;
    };
    auto o = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand("info", "Show the format, header, radiation and points of files");
    cmd->add_option("files", o->files, "Instrument files or pattern archives")->required();
    cmd->add_flag("--json", o->json, "One JSON array with an object per file read, for scripts");
    AddJobsOption(*cmd, o->jobs);
    return [o]() {
        std::vector<std::string> out(o->files.size());
        std::vector<char> ok(o->files.size(), 0);
        const size_t failed = RunForEach(o->files, o->jobs, [&](size_t i) {
            CXRDData pattern(0);
            LoadedFormat format;
            if (!LoadPattern(pattern, o->files[i], format)) return false;
            const PatternSummary s = Summarize(pattern, o->files[i], format);
            out[i] = o->json ? SummaryJson(s) : SummaryText(s);
            ok[i] = 1;
            return true;
        });
        // Printed in the order given, whatever order the files finished in.
        std::string text;
        bool first = true;
        for (size_t i = 0; i < out.size(); ++i) {
            if (!ok[i]) continue;
            if (o->json) text += first ? "[\n  " : ",\n  ";
            else if (!first) text += "\n";
            text += out[i];
            first = false;
        }
        if (o->json) text += first ? "[]\n" : "\n]\n";
        std::fputs(text.c_str(), stdout);
        return failed ? kFailed : kOk;
    };
}

}  // namespace tool
