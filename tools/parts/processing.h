// The processing chain of `xrddata process` on one pattern, in a fixed order: zero-error correction, error model,
// background fit (asked for with `background`), K-alpha2 stripping, background subtraction. The background asked
// for is fitted before stripping: the stripped pattern's strong peaks leave dips that a fit follows down; stripping
// then scales the stored background to its K-alpha1 share. A subtraction with no background stored fits one
// there, on the points as they are by then (stripped, when asked). Settings not given keep the pattern's own values
// (for an imported file the user's stored defaults).
#pragma once

#include <optional>
#include <vector>

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
    // The copy of the points before the first processing step (m_OriginalData) is kept for outputs that store it
    // (the archive). Without it, the copy is dropped as soon as the step that made it is done: no other output
    // reads it, and it would be a whole second copy of the points held through the rest of the chain.
    bool keepOriginal = true;
};

// Reads "raw", "scaled=F" or "time=P" into the error-model options; throws std::invalid_argument with the reason.
void ParseErrorModel(const CString& text, ProcessOptions& options);

struct ProcessResult {
    // The points to write are the background-subtracted ones (CXRDData::GetBackgroundSubtracted, made when they
    // are written), else the pattern's own; the stored background curve is the pattern's m_Background. Nothing
    // is copied here, so that a large pattern is not held again for each.
    bool subtracted = false;
    std::vector<CString> applied;  // the steps that changed the pattern, in order ("K-alpha2 stripped", ...)
    std::vector<CString> notices;  // the steps asked for that did nothing, with the reason
};

// Runs the chain on pattern (which keeps the processing record and background) and returns what to write.
// Numerical failures propagate as the library raises them; a background fit that gives no background throws
// std::runtime_error (nothing subtracted is ever written as if it were).
ProcessResult ProcessPattern(CXRDData& pattern, const ProcessOptions& options);
