// xrddata: the command-line tool. One subcommand per file (cmd_*.cpp); this file holds the dispatch table, the
// version, the user interface for the library's messages and the mapping of failures to exit statuses
// (0 all good, 1 a file failed, 2 usage error).
#include <cstdio>
#include <exception>
#include <utility>

#include "temporaries.h"
#include "tool.h"
#include "xrddata/module/module.h"

#ifndef XRDDATA_VERSION_STRING
#define XRDDATA_VERSION_STRING "unknown"
#endif

// "xrddata X.Y.Z" (the project version, set once in CMake), then the library's own version text.
static std::string VersionText() {
    std::string text = std::string("xrddata ") + XRDDATA_VERSION_STRING;
    if (!TVXRDDataVersion.empty()) text += "\n" + TVXRDDataVersion;
    return text;
}

namespace {

const std::pair<const char*, tool::Registrar> kCommands[] = {
    {"info", tool::AddInfo},         {"convert", tool::AddConvert},   {"process", tool::AddProcess},
    {"plot", tool::AddPlot},         {"settings", tool::AddSettings}, {"formats", tool::AddFormats},
};

}  // namespace

int main(int argc, char** argv) {
    tool::RemoveTemporariesOnInterrupt();
    CLI::App app{"X-ray powder-diffraction data: inspect, convert, process and plot instrument files", "xrddata"};
    app.set_version_flag("--version", VersionText());
    app.require_subcommand(1);
    std::vector<std::pair<CLI::App*, tool::Runner>> runners;
    for (const auto& [name, add] : kCommands) {
        tool::Runner run = add(app);
        runners.emplace_back(app.get_subcommand(name), std::move(run));
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return tool::kUsage;
    }
    tool::ToolUi ui;
    for (auto& [cmd, run] : runners) {
        if (!cmd->parsed()) continue;
        try {
            return run();
        } catch (const tool::UsageError& e) {
            std::fprintf(stderr, "xrddata %s: %s\nRun with --help for more information.\n", cmd->get_name().c_str(),
                         e.message.c_str());
            return tool::kUsage;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "xrddata: error: %s\n", e.what());
            return tool::kFailed;
        }
    }
    return tool::kUsage;
}
