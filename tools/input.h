// Reading one input of the tool: a pattern archive, one of the tool's own headed point files, any file the format
// core reads (every scan), or, when the core recognises none of its formats, the pattern's own import (which also
// covers the registered plug-in formats), turned into a one-scan measurement. "-" is standard input.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "xrddata/formats/measurement.h"
#include "xrddata/pattern/xrddata.h"

namespace tool {

// How an input was read.
struct InputFormat {
    int code = -1;        // the format's code; -1 for a pattern archive or a headed point file
    std::string name;     // the format's short name, "Pattern archive", "Point file" or "Plug-in"
    std::string version;  // as the file states it; empty when it states none
};

struct Input {
    std::string path;  // as given ("-" for standard input)
    InputFormat format;
    xrddata::formats::Measurement measurement;  // every scan
    // The pattern as the import or the archive gave it, when it was read that way (one scan).
    std::shared_ptr<CXRDData> pattern;
};

// Reads the input; throws xrddata::formats::ReadError (or std::runtime_error) with the reason. Core warnings are
// kept in measurement.warnings; the import's own notes on a file it did read are added there too.
Input ReadInput(const std::string& path);

// The pattern of scan `index` (0-based): points sorted by two-theta, the file's own errors when it has them, else
// the error model's; the header and radiation from the metadata; processing settings from the stored defaults.
// With widths, the feature width is detected as the import does after a read (needed by the background fit only).
CXRDData ScanPattern(const Input& input, size_t index, bool widths);

// Frees the points of scan `index` (and the imported pattern) once its pattern is made; the scan's settings and
// the metadata stay for the outputs' headers.
void ReleaseScanPoints(Input& input, size_t index);

// The name printed for a path: "<stdin>" for "-", control characters escaped ("\n", "\x1b").
std::string Printable(const std::string& path);

}  // namespace tool
