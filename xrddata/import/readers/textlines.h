// Line handling shared by the text-format readers: files are read in pieces of at most 255 characters (a longer
// line arrives in several pieces), numbers are scanned the way the C library's formatted input reads them in the
// "C" locale, and counting errors never fall to zero. Internal to the import code (not exported).
#pragma once

#include <cfloat>
#include <cmath>
#include <cstring>

#include "xrddata/platform/stdiofile.h"
#include "xrddata/platform/types.h"

class CXRDData;

namespace import_text {

// One line piece: 255 characters and the terminator.
constexpr UINT kLineBuffer = 256;

// Opens the file in text mode; on failure shows the file error and returns false.
bool OpenText(CStdioFile& file, const CString& fileName);

// Reads the next piece into buffer (empty at the end of the file); false at the end of the file.
bool ReadPiece(CStdioFile& file, char* buffer);

// A data line is a piece that is not empty and ends in a line feed: a last line without a line end, and every piece
// of an over-long line but its last, are not data lines.
inline bool IsDataLine(const char* piece) {
    size_t n = std::strlen(piece);
    return n > 0 && piece[n - 1] == '\n';
}

// The piece without its trailing line feed.
CString WithoutNewline(const char* piece);

// sscanf in the "C" locale (decimal point '.' whatever the process locale).
int ScanC(const char* text, const char* format, ...) __attribute__((format(scanf, 2, 3)));

// Standard deviation of a count: sqrt(y), or the smallest normal double when y is not positive.
inline double CountingError(double y) { return y > 0 ? std::sqrt(y) : DBL_MIN; }

// The last component of a path (after the last '/').
CString FileTitleOf(const CString& path);

// Sets the pattern's collection date to the file's modification time (local time); left as it is when the time
// cannot be read.
void SetDateFromFile(CXRDData& pattern, const CString& path);

}  // namespace import_text
