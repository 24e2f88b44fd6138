// The layout the refinement programs' data files share (FullProf free format, DBWS, XFIT XDD, RIET7 and the ILL
// powder files): a line with the first angle, the step and the last angle, then the intensities in free format,
// several to a line, sometimes followed by as many standard deviations. The readers of those formats differ in
// what surrounds the range line; the range line and the values are read here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xrddata/formats/lines.h"
#include "xrddata/formats/measurement.h"
#include "xrddata/formats/table.h"

namespace xrddata::formats {

struct StepRange {
    double start = 0;
    double step = 0;
    double end = 0;
    std::int64_t points = 0;  // round((end - start) / step) + 1
};

// More points than any diffractometer scan holds: a range line implying more is not one.
inline constexpr std::int64_t kMaxStepPoints = 100'000'000;

// The range of these values: step > 0, end > start, (end - start) / step within `slack` of a whole number and no
// more than kMaxStepPoints points; null otherwise.
std::optional<StepRange> MakeStepRange(double start, double step, double end, double slack);

// The first three numbers of text as a range: step > 0, end > start, (end - start) / step within `slack` of a
// whole number and no more than kMaxStepPoints points. `rest` gets the text after the three numbers.
std::optional<StepRange> ParseStepRange(std::string_view text, double slack, std::string_view* rest = nullptr);

// The number of numbers on a line that holds only numbers (blanks or commas between them), or -1 when it holds
// anything else. An empty line holds 0.
int NumbersOnLine(std::string_view line);

// The first few lines of bytes (the header buffer detection looks at), without their line ends.
std::vector<std::string_view> HeadLines(Bytes bytes, std::size_t count);

// Whether lines[first] and the head lines after it look like the values of a range line: numbers only, the first
// of them not empty. Without a title on the range line, a first value line of exactly three numbers (and more lines
// after it) looks like x, y, error columns instead, and is refused.
bool LooksLikeStepValues(const std::vector<std::string_view>& lines, std::size_t first, bool titled);

// Reads every number from the next line of `lines` to the end (blanks and commas separate them; a DOS end-of-file
// byte ends the data) into the scan: the first range.points values are the intensities at start + i * step. When
// the file holds exactly twice as many values, the second half are their standard deviations (the ILL and RIET7
// files append them so). Fewer values than the range gives, or more, are kept as far as they go and said in a
// warning. A token that is not a number is an error naming its line.
void ReadStepValues(LineSplitter& lines, const StepRange& range, Scan& scan, std::vector<std::string>& warnings);

// Sets the scan's start, step, end and declared point count from the range.
void SetStepSettings(const StepRange& range, Scan& scan);

}  // namespace xrddata::formats
