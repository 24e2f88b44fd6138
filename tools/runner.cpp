// Many files at once: a fixed pool of threads takes the files in turn; each file's work is independent and its
// failures are its own.
#include <atomic>
#include <thread>

#include "input.h"
#include "tool.h"
#include "xrddata/formats/error.h"
#include "xrddata/platform/exceptions.h"

namespace tool {

unsigned DefaultJobs() {
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? n : 1;
}

namespace {

// One file's work with every way it can fail turned into a report and false.
bool RunOne(const std::function<bool(size_t)>& work, size_t index) {
    try {
        if (work(index)) return true;
        if (ToolUi::MessagesForCurrentFile() == 0) ToolUi::Report("error", "failed");
    } catch (const xrddata::formats::ReadError& e) {
        // The core's reason names the file already.
        ToolUi::ReportNamed("error", e.what());
    } catch (const CException& e) {
        ToolUi::Report("error", e.what());
    } catch (const std::bad_alloc&) {
        ToolUi::Report("error", "out of memory");
    } catch (const std::exception& e) {
        ToolUi::Report("error", e.what());
    } catch (const char* message) {
        // The numerical routines raise their message text.
        ToolUi::Report("error", message ? message : "numerical failure");
    } catch (...) {
        ToolUi::Report("error", "unexpected failure");
    }
    return false;
}

}  // namespace

size_t RunForEach(const std::vector<std::string>& files, unsigned jobs, const std::function<bool(size_t)>& work) {
    const size_t count = files.size();
    std::atomic<size_t> next{0}, done{0}, failed{0};
    const bool showProgress = count > 1;
    auto worker = [&] {
        for (size_t i = next++; i < count; i = next++) {
            ToolUi::SetCurrentFile(files[i]);
            if (!RunOne(work, i)) ++failed;
            ToolUi::SetCurrentFile(std::string());
            const size_t d = ++done;
            if (showProgress) ToolUi::Progress(d, count);
        }
    };
    const size_t threads = std::max<size_t>(1, std::min<size_t>(jobs, count));
    if (threads == 1) {
        worker();
    } else {
        std::vector<std::thread> pool;
        for (size_t t = 0; t < threads; ++t) pool.emplace_back(worker);
        for (std::thread& t : pool) t.join();
    }
    if (showProgress) ToolUi::Progress(0, 0);
    ReportTally(count, failed);
    return failed;
}

void ReportFailure(const std::string& file, const std::string& reason) {
    ToolUi::ReportNamed("error", Printable(file) + ": " + reason);
}

void ReportTally(size_t files, size_t failed) {
    if (files < 2) return;
    ToolUi::ReportNamed(std::to_string(files) + " files", std::to_string(files - failed) + " ok, " +
                                                            std::to_string(failed) + " failed");
}

void AddJobsOption(CLI::App& cmd, unsigned& jobs) {
    jobs = DefaultJobs();
    cmd.add_option("-j,--jobs", jobs, "Files worked on in parallel (default: the number of cores)")
        ->check(CLI::Range(1u, 1024u));
}

}  // namespace tool
