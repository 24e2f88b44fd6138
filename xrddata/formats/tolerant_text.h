// Columns of numbers as text, read the way users expect of an .xy or .xye export (format code 17): x, y and, in a
// third column, the standard deviation of y. The last format of the table: it is tried only on files that every
// other format declined.
//
// Lines end in LF, CR LF or CR. Blank lines are skipped wherever they are. Comment lines start with '#', '!', ';'
// or a single quote (after blanks), and a "/*" line opens a comment block that runs to the line holding "*/".
// Values are separated by blanks, tabs, commas or semicolons; the decimal separator is always '.', and rows written
// with decimal commas ("10,5 121" or "10,5;121": a comma between two digits beside other separators) are refused
// rather than split at their commas. A line of two or more numbers is a data row; lines before the first row that
// are not numbers (titles, column names, a lone wavelength) are header lines. A leading row whose number of values
// differs from the row after it is taken as header too (a date or a range written as numbers above the columns).
// A DOS end-of-file byte (0x1A) ends the text.
//
// Read: one scan; x and y from the first two columns, the third as sigma when the rows have three values; further
// columns are not read (a warning says so). The header and comment lines before the data are the comments; those
// of the form "key = value", and the 'Key: "value" ...' title line of an evaluation program's export, are
// properties too (its Id is the sample, Anode the anode, TimePerStep the step time and Scantype the axis). Every
// row after the first must hold as many values as the first: another count, or a line of text between the rows,
// is an error naming its line.
#pragma once

#include "xrddata/formats/measurement.h"
#include "xrddata/formats/table.h"

namespace xrddata::formats {

bool IsTolerantText(Bytes bytes);
Measurement ReadTolerantText(const Source& source);

}  // namespace xrddata::formats
