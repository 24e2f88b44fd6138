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
    // One line on stderr, clear of the progress bar: "KIND: FILE: text" while a file is worked on (the file name
    // with control characters escaped), else "xrddata: KIND: text". kind is "error", "warning" or "note".
    static void Report(const std::string& kind, const std::string& text);
    // The same line for a text that already names the file (the format core's errors).
    static void ReportNamed(const std::string& kind, const std::string& text);
    // Draws the progress bar (done of total) when stderr is a terminal; total 0 clears it.
    static void Progress(size_t done, size_t total);

private:
    CUserInterface* m_previous;
};

// While one lives, the library's messages on the calling thread are collected instead of printed (the tool then
// reports them as the reason of a failure, or as notes of a file it did read).
class MessageCapture {
public:
    MessageCapture();
    ~MessageCapture();
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;
    const std::vector<std::string>& Messages() const { return m_messages; }

private:
    friend class ToolUi;
    std::vector<std::string> m_messages;
    MessageCapture* m_outer;
};

// Runs work(index) for every index in [0, count) on up to `jobs` threads, each file independent. The current file
// of the thread is files[index] while its work runs. A work item that returns false or throws counts as failed;
// exceptions are reported with the file name and the reason. Returns the number of failures.
size_t RunForEach(const std::vector<std::string>& files, unsigned jobs, const std::function<bool(size_t)>& work);

// The default number of parallel jobs: the number of cores.
unsigned DefaultJobs();

// Output formats: the tool's point files, the pattern archive, and the format core's writers.
enum class OutFormat { Text, Xye, Csv, Xrdd, Fxye, FullProf, Cif, Tsv };
// "text", "xye", "csv", "xrdd", "fxye", "fullprof", "cif", "tsv" (case ignored); throws UsageError otherwise.
OutFormat ParseOutFormat(const std::string& name);
// By extension: .xye, .csv, .xrdd, .fxye, .cif, .tsv; anything else is the text export.
OutFormat FormatOfPath(const std::string& path);
// The output kind of a command: -f when given, else from -o's extension, else .xye; "-o -" needs -f.
OutFormat ChosenFormat(const std::string& format, const std::string& out);
const char* ExtensionOf(OutFormat f);

// Output paths for the inputs: `out` for a single input, else dir/<stem><suffix>.<ext>; creates dir. Throws
// UsageError for -o with several files, neither or both of -o and -d, or two inputs that would write one file.
std::vector<std::string> OutputPaths(const std::vector<std::string>& inputs, const std::string& out,
                                     const std::string& dir, OutFormat format);
// The output of scan `index` (0-based) of `count` written: the path itself for one scan, else "_rN" before the
// extension ("c.xye" gives "c_r1.xye"); standard output stays standard output.
std::string ScanOutputPath(const std::string& path, size_t index, size_t count);

// The scans a command works on: --range N (1-based) or --range all (the default).
struct RangeChoice {
    bool all = true;
    size_t index = 0;  // 0-based, when not all
};
// Throws UsageError for anything but "all" or a whole number from 1.
RangeChoice ParseRange(const std::string& text);
// The 0-based indexes chosen out of `count` scans; throws std::runtime_error when the file has no such scan.
std::vector<size_t> ChosenScans(const RangeChoice& choice, size_t count);
// The --range option of convert and process.
void AddRangeOption(CLI::App& cmd, std::string& range);

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

// Reports a failed file: "error: FILE: reason" when the reason does not name the file already.
void ReportFailure(const std::string& file, const std::string& reason);
// "N files: K ok, M failed" on stderr, when there were several files.
void ReportTally(size_t files, size_t failed);

// The core's reservations about a file it did read (a stopped scan), as warnings on stderr.
struct Input;
void ReportWarnings(const Input& in);

// The -j option every multi-file command has.
void AddJobsOption(CLI::App& cmd, unsigned& jobs);

}  // namespace tool
