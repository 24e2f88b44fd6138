// The processing chain of `xrddata process` on one pattern, in a fixed order: zero-error correction, error model,
// K-alpha2 stripping, background fit, background subtraction. Settings not given keep the pattern's own values
// (for an imported file the user's stored defaults).
#pragma once

#include <optional>

#include "xrddata/arrays/graphdata.h"
#include "xrddata/platform/types.h"

class CXRDData;

struct ProcessOptions {
    std::optional<double> zeroError;    // two-theta zero error, degrees
    std::optional<int> countType;       // error model 0 raw, 1 scaled, 2 variable time
    std::optional<double> scaleFactor;  // with model 1
    std::optional<double> esds;         // with model 2: percent error
    bool stripKa2 = false;
    bool background = false;            // fit and store a background
    bool subtract = false;              // hand out the background-subtracted points (fits one if none is stored)
    std::optional<double> length;       // background scale length, degrees
    std::optional<double> stiffness;    // background stiffness
};

// Reads "raw", "scaled=F" or "time=P" into the error-model options; throws std::invalid_argument with the reason.
XRDDATA_API void ParseErrorModel(const CString& text, ProcessOptions& options);

struct ProcessResult {
    CGraphData points;      // the processed points: the pattern's, or the background-subtracted copy
    CGraphData background;  // the stored background curve at the pattern's x values; empty without one
};

// Runs the chain on pattern (which keeps the processing record and background) and returns what to write.
// Numerical failures propagate as the library raises them.
XRDDATA_API ProcessResult ProcessPattern(CXRDData& pattern, const ProcessOptions& options);
