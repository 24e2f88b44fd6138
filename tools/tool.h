// Shared parts of the xrddata command-line tool: the exit statuses, the user interface that prefixes the
// library's messages with the file being worked on, the parallel runner for many files, output naming.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "xrddata/platform/ui.h"

namespace tool {

enum ExitStatus { kOk = 0, kFailed = 1, kUsage = 2 };

// A usage error found after parsing (bad combination of options): printed with the usage hint, exit status 2.
struct UsageError {
    std::string message;
};

// Prints every message of the library on stderr as "FILE: warning: text", FILE being the file the calling thread
// works on (set per thread by the runner); serialises output with the progress bar. Message boxes that ask a
// question get their default answer; file dialogs are cancelled (the tool never asks).
class ToolUi : public CUserInterface {
public:
    ToolUi();
    ~ToolUi() override;
    int MessageBox(const CString& text, UINT type) override;

    // The file the calling thread works on; empty outside a file's work.
    static void SetCurrentFile(const std::string& file);
    static const std::string& CurrentFile();
    // Number of messages shown for the calling thread's current file.
    static int MessagesForCurrentFile();
    // One line on stderr ("xrddata: FILE: text" or "xrddata: text"), clear of the progress bar.
    static void Report(const std::string& text);
    // Draws the progress bar (done of total) when stderr is a terminal; total 0 clears it.
    static void Progress(size_t done, size_t total);

private:
    CUserInterface* m_previous;
};

// Runs work(index) for every index in [0, count) on up to `jobs` threads, each file independent. The current file
// of the thread is files[index] while its work runs. A work item that returns false or throws counts as failed;
// exceptions are reported with the file name and the reason. Returns the number of failures.
size_t RunForEach(const std::vector<std::string>& files, unsigned jobs, const std::function<bool(size_t)>& work);

// The default number of parallel jobs: the number of cores.
unsigned DefaultJobs();

// Output formats of point files.
enum class OutFormat { Text, Xye, Csv, Xrdd };
// "text", "xye", "csv", "xrdd" (case ignored); throws UsageError otherwise.
OutFormat ParseOutFormat(const std::string& name);
// By extension: .xye, .csv, .xrdd; anything else is the text export.
OutFormat FormatOfPath(const std::string& path);
const char* ExtensionOf(OutFormat f);

// Output paths for the inputs: `out` for a single input, else dir/<stem><suffix>.<ext>; creates dir. Throws
// UsageError for -o with several files, neither or both of -o and -d, or two inputs that would write one file.
std::vector<std::string> OutputPaths(const std::vector<std::string>& inputs, const std::string& out,
                                     const std::string& dir, OutFormat format);
// The companion file of an output: "out/x.xye" with tag "background" gives "out/x.background.xye".
std::string CompanionPath(const std::string& path, const std::string& tag);
// The file name without folder and extension.
std::string Stem(const std::string& path);

// One subcommand: registers its options on app and returns the function that runs it once parsed.
using Runner = std::function<int()>;
using Registrar = Runner (*)(CLI::App& app);

Runner AddInfo(CLI::App& app);
Runner AddConvert(CLI::App& app);
Runner AddProcess(CLI::App& app);
Runner AddPlot(CLI::App& app);
Runner AddSettings(CLI::App& app);
Runner AddFormats(CLI::App& app);

// The -j option every multi-file command has.
void AddJobsOption(CLI::App& cmd, unsigned& jobs);

}  // namespace tool
