// Writing an output so that a failure never leaves damage: a regular file is written under a temporary name in
// its own folder and renamed over the target once every byte is out, so a killed or failed run leaves the old file
// (or none), and an interrupted one removes its temporary files (temporaries.h); a device, a FIFO
// or standard output ("-") is written directly and never replaced. Every failure (a full disk, /dev/full, a
// read-only folder) throws std::runtime_error naming the output and the reason.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "xrddata/formats/writer.h"

namespace tool {

// Yes for "-", standard output.
inline bool IsStdout(const std::string& path) { return path == "-"; }

void WriteOutput(const std::string& path, const std::string& bytes);

// The outputs of one input, written as their bytes are made and put in place together: each regular file goes to
// a temporary file beside it, and Commit renames them all over their targets; standard output and devices get
// their bytes in memory and are written at Commit. Without Commit (a failure, an exception), the temporary files
// are removed and nothing is written. A write that fails throws std::runtime_error naming the output.
class StagedOutputs {
public:
    StagedOutputs();
    ~StagedOutputs();
    StagedOutputs(const StagedOutputs&) = delete;
    StagedOutputs& operator=(const StagedOutputs&) = delete;

    // A new output at path, whose bytes fill writes into the sink it is given. The temporary file is complete and
    // closed when this returns, so a file of many scans holds one descriptor at a time, not one per output.
    void Write(const std::string& path, const std::function<void(xrddata::formats::Sink&)>& fill);
    void Commit();

private:
    class Output;
    std::vector<std::unique_ptr<Output>> m_outputs;
};

// Writes what reaches standard output at the end of a command (info, settings, formats); false (after the
// reason on stderr) when it could not be written.
bool PrintAll(const std::string& text);

// Throws std::runtime_error when an output is one of the inputs (the same file, by any name) or two outputs are
// one file, before anything is written.
void CheckOutputsApart(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs);

}  // namespace tool
