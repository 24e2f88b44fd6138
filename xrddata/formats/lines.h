// Text for the readers of text formats, read out of a byte buffer.
//  - PieceReader gives the pieces a 256-byte line buffer would receive from a text-mode file: at most 255
//    characters, ending after a line feed; CR LF reads as LF, a lone CR stays. The formats the import has always
//    read are defined over these pieces (an over-long line arrives in several pieces, a last line without a line
//    end is a piece without LF), so their readers use it to read exactly as they always have.
//  - LineSplitter gives whole lines (LF, CR LF or CR ends) as views into the buffer, for the newer formats.
//  - Numbers are read locale-free (the decimal separator is always '.').
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "xrddata/platform/export.h"

namespace xrddata::formats {

class XRDDATA_API PieceReader {
public:
    static constexpr std::size_t kPiece = 256;  // buffer size: 255 characters and the terminator

    explicit PieceReader(std::span<const std::byte> bytes);

    // The next piece, zero-terminated, into buffer; false (and an empty buffer) at the end of the bytes. A zero
    // byte inside a piece is copied like any other: text functions then see the piece end there, as they would.
    bool next(char (&buffer)[kPiece]);
    // The next whole line without its line end, of any length; false at the end of the bytes.
    bool next_line(std::string& line);

    // Offset of the next unread byte, and the number of line feeds consumed so far.
    std::uint64_t offset() const { return pos_; }
    std::uint64_t lines_ended() const { return lines_; }
    bool at_end() const { return pos_ >= size_; }

private:
    // The next character as a text-mode read returns it (CR LF as LF), or -1 at the end.
    int get();

    const char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    std::uint64_t lines_ = 0;
};

class XRDDATA_API LineSplitter {
public:
    explicit LineSplitter(std::span<const std::byte> bytes);
    explicit LineSplitter(std::string_view text);

    // The next line without its end (LF, CR LF or a lone CR); false at the end. A leading UTF-8 byte-order mark is
    // skipped.
    bool next(std::string_view& line);
    // 1-based number of the line last returned.
    std::uint64_t number() const { return number_; }
    // Offset of the next unread byte.
    std::uint64_t offset() const { return pos_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::uint64_t number_ = 0;
};

// sscanf in the "C" locale.
XRDDATA_API int ScanC(const char* text, const char* format, ...) __attribute__((format(scanf, 2, 3)));

// A whole number text (optional blanks around, optional sign, decimal or exponent form, "inf"/"nan" refused) as a
// double; false when the text is not exactly one finite number.
XRDDATA_API bool ParseDouble(std::string_view text, double& value);
// The leading number of text: skips blanks, reads one number and advances text past it; false when none starts
// there (text unchanged).
XRDDATA_API bool TakeDouble(std::string_view& text, double& value);

// text without blanks (space, tab, CR, LF) at either end.
XRDDATA_API std::string_view TrimBlanks(std::string_view text);

}  // namespace xrddata::formats
