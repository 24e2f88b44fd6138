// Pieces the point-file writers share: the check of the columns they are given, the counting error of points
// without their own, and the one-line title of a file.
#pragma once

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

}  // namespace xrddata::formats
