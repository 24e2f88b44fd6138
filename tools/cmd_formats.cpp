// xrddata formats: the built-in formats with their codes and the plug-in formats registered on this machine.
#include <cstdio>

#include "tool.h"
#include "xrddata/io/formatlist.h"
#include "xrddata/platform/strutil.h"

namespace tool {

Runner AddFormats(CLI::App& app) {
    app.add_subcommand("formats", "List the readable formats and their codes");
    return []() {
        std::string out = "Built-in formats (code, name):\n";
        for (const BuiltInFormat& f : BuiltInFormats()) out += Format("  %d  %s\n", f.code, f.name.c_str());
        out += "  -  Pattern archive (.xrdd)\n";
        const std::vector<PluginFormat> plugins = RegisteredPluginFormats();
        if (plugins.empty()) {
            out += "Plug-in formats: none registered\n";
        } else {
            out += "Plug-in formats (they take over every import of instrument files):\n";
            for (const PluginFormat& p : plugins) {
                std::string what;
                if (p.canReadProfile) what += "profiles";
                if (p.canReadPeaks) what += what.empty() ? "peaks" : ", peaks";
                out += Format("  %s  %s%s\n", p.classId.c_str(),
                              p.description.empty() ? "(no description)" : p.description.c_str(),
                              what.empty() ? "" : (" [" + what + "]").c_str());
            }
        }
        std::fputs(out.c_str(), stdout);
        return kOk;
    };
}

}  // namespace tool
