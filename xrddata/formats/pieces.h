// Helpers of the line-piece text formats the import has always read (plain text, Cranfield, CPI, MDI, UDF): a piece
// is what a 256-byte line buffer receives from a text-mode read (see PieceReader); a data line is a piece that ends
// in its line feed; numbers are read as the C library reads them in the "C" locale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "xrddata/formats/lines.h"
#include "xrddata/formats/measurement.h"

namespace xrddata::formats {

using Piece = char[PieceReader::kPiece];

// A piece that is not empty and ends in a line feed: a last line without its line end, and every piece of an
// over-long line but its last, are no data lines.
inline bool IsDataLine(const char* piece) {
    const std::size_t n = std::strlen(piece);
    return n > 0 && piece[n - 1] == '\n';
}

// The piece without its trailing line feed.
inline std::string WithoutNewline(const char* piece) {
    std::size_t n = std::strlen(piece);
    if (n > 0 && piece[n - 1] == '\n') --n;
    return std::string(piece, n);
}

// text without blanks (space, tab, CR, LF, VT, FF) at its end.
std::string TrimRightBlanks(std::string_view text);

// The last component of a path (after its last '/').
std::string_view BaseName(std::string_view path);

// The collection date of a file that stores none: its modification time in local time, whole seconds (a leap
// second is the last second of its minute). Unset when the time is not known.
CollectionDate FileTimeDate(std::optional<std::int64_t> modified);

// Whether only blanks (space, tab, CR, LF, VT, FF) remain in the bytes from this offset on.
bool OnlyBlanksFrom(std::span<const std::byte> bytes, std::uint64_t offset);

// A decimal number that may use a comma as its decimal separator ("1,5406"), as some instrument programs write
// them under a European locale; the text is one number with blanks around it.
std::optional<double> ParseDecimalComma(std::string_view text);

}  // namespace xrddata::formats
