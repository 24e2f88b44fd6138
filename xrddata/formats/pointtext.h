// Pieces the point-file writers share: the check of the columns they are given, the counting error of points
// without their own, the one-line title of a file, and the writing of the point lines.
#pragma once

#include <cstddef>
#include <string>

#include "xrddata/formats/writer.h"

namespace xrddata::formats {

// Throws std::invalid_argument when the columns differ in length, and std::runtime_error naming the kind and the
// point when a position is not a finite number and, unless any values are allowed, when an intensity or error is
// not finite or an error is negative.
void CheckPoints(const Points& points, const char* kind, bool allow_nonfinite_values = false);

// The error written for a point that has none of its own: the counting error sqrt(y), 1 below one count.
double CountingSigma(double y);

// What a title line says: the sample name, else the source file's name, else "xrddata pattern"; blanks for line
// ends, at most `width` characters.
std::string TitleLine(const WriteContext& context, std::size_t width);

// Appends one line for each of the n points to `text` (what `row(text, i)` appends, then a line feed), handing the
// text to `out` whenever it passes 64 KiB so that a large file is not held in memory twice; writes the rest too.
template <class Row>
void WriteRows(Sink& out, std::string& text, std::size_t n, Row&& row) {
    for (std::size_t i = 0; i < n; ++i) {
        row(text, i);
        text += '\n';
        if (text.size() > 1 << 16) {
            out.write(text);
            text.clear();
        }
    }
    out.write(text);
}

// WriteRows with the lines "position intensity [error]" parted by `separator`, the error where the points have
// errors, each number in its shortest exact form.
void WritePointRows(Sink& out, std::string& text, const Points& points, char separator);

}  // namespace xrddata::formats
