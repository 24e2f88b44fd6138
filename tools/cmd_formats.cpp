// xrddata formats: the built-in formats with their codes and the plug-in formats registered on this machine.
#include <cstdio>

#include "safeout.h"
#include "tool.h"
#include "xrddata/formats/table.h"
#include "xrddata/formats/writer.h"
#include "xrddata/import/importdialog.h"
#include "xrddata/import/plugin.h"
#include "xrddata/platform/strutil.h"

namespace tool {
namespace {

// The format core's table in detection order, with what the tool can do with each, then the output kinds.
std::string CoreFormats() {
    namespace fmt = xrddata::formats;
    // The core formats that the tool also writes, by the writer's name.
    const std::pair<const char*, const char*> written[] = {
        {"GSAS", "fxye"}, {"FullProf", "fullprof"}, {"PowderCIF", "cif"}, {"CSV", "tsv"}};
    std::string out = "Format core (code, name, read/write, extensions, description):\n";
    for (const fmt::FormatInfo& f : fmt::format_table()) {
        std::string rw = "read";
        for (const auto& [name, writer] : written)
            if (f.name == name) rw += "/write (-f " + std::string(writer) + ")";
        out += Format("  %2d  %-12s %-24s %-22s %s\n", f.code, std::string(f.name).c_str(), rw.c_str(),
                      std::string(f.extensions).c_str(), std::string(f.long_name).c_str());
    }
    out += "Output kinds (convert and process -f, or by the extension of -o):\n";
    out += Format("  %-9s %-8s %s\n", "xye", "xye", "# metadata lines, then two-theta, counts, error");
    out += Format("  %-9s %-8s %s\n", "csv", "csv", "# metadata lines, a row of column names, then the columns");
    out += Format("  %-9s %-8s %s\n", "text", "txt", "# metadata lines, then tab-separated columns, CR LF");
    out += Format("  %-9s %-8s %s\n", "xrdd", "xrdd", "the pattern archive: the whole pattern");
    for (const fmt::WriterInfo& w : fmt::writer_table())
        out += Format("  %-9s %-8s %s\n", std::string(w.name).c_str(), std::string(w.extensions).c_str(),
                      std::string(w.description).c_str());
    return out;
}

}  // namespace

Runner AddFormats(CLI::App& app) {
    app.add_subcommand("formats", "List the readable formats and their codes");
    return []() {
        std::string out = "Built-in formats (code, name):\n";
        // The import dialog's list; entry 0, "Auto", is no format.
        const std::vector<CString>& builtIn = CImportFileDialog::BuiltInFormats();
        for (size_t code = 1; code < builtIn.size(); ++code) out += Format("  %zu  %s\n", code, builtIn[code].c_str());
        out += "  -  Pattern archive (.xrdd)\n";
        out += CoreFormats();
        const std::vector<PluginRegistration> plugins = CZIDEzerEzizir::ReadRegistrations();
        if (plugins.empty()) {
            out += "Plug-in formats: none registered\n";
        } else {
            out += "Plug-in formats (they take over every import of instrument files):\n";
            for (const PluginRegistration& p : plugins) {
                std::string what;
                if (p.canReadProfile) what += "profiles";
                if (p.canReadPeaks) what += what.empty() ? "peaks" : ", peaks";
                // The import offers only complete registrations with a text description.
                const char* name = !p.complete              ? "(incomplete registration: not offered)"
                                   : !p.hasDescription      ? "(no description: not offered)"
                                   : p.description.empty() ? "(no description)"
                                                           : p.description.c_str();
                out += Format("  %s  %s%s\n", p.classId.c_str(), name, what.empty() ? "" : (" [" + what + "]").c_str());
            }
        }
        return PrintAll(out) ? kOk : kFailed;
    };
}

}  // namespace tool
