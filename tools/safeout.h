// Writing an output so that a failure never leaves damage: a regular file is written under a temporary name in
// its own folder and renamed over the target once every byte is out, so a killed or failed run leaves the old file
// (or none); a device, a FIFO or standard output ("-") is written directly and never replaced. Every failure
// (a full disk, /dev/full, a read-only folder) throws std::runtime_error naming the output and the reason.
#pragma once

#include <string>
#include <vector>

namespace tool {

// Yes for "-", standard output.
inline bool IsStdout(const std::string& path) { return path == "-"; }

void WriteOutput(const std::string& path, const std::string& bytes);

// Writes what reaches standard output at the end of a command (info, settings, formats); false (after the
// reason on stderr) when it could not be written.
bool PrintAll(const std::string& text);

// Throws std::runtime_error when an output is one of the inputs (the same file, by any name) or two outputs are
// one file, before anything is written.
void CheckOutputsApart(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs);

}  // namespace tool
