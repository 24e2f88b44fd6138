// The lines of a text as the import has always read them, found in a buffer without copying. A text-mode read
// (CR LF reads as LF, a lone CR stays) into a 256-byte line buffer gives pieces of at most 255 characters that end
// after a line feed; only a piece that ends in its line feed is a line. So of a line longer than 255 characters
// only its last piece counts, a last line without a line end does not count, and neither does a piece holding a
// NUL byte (text functions see it end before its line feed). Internal to the library.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace xrddata::platform {

class LineEndPieces {
public:
    static constexpr std::size_t kPiece = 255;  // characters a piece holds at most

    // Over size bytes at data; the bytes must stay while the object is used.
    LineEndPieces(const char* data, std::size_t size)
        : data_(data), size_(size), nul_(size > 0 && std::memchr(data, '\0', size) != nullptr) {}

    // The text of the next line's last piece, without its line end: [first, last). False when no further line
    // feed follows (bytes after the last line feed are no line).
    bool next(const char*& first, const char*& last) {
        while (pos_ < size_) {
            const char* start = data_ + pos_;
            const char* lf = static_cast<const char*>(std::memchr(start, '\n', size_ - pos_));
            if (!lf) return false;
            pos_ = static_cast<std::size_t>(lf - data_) + 1;
            ++lines_;
            const char* end = lf > start && lf[-1] == '\r' ? lf - 1 : lf;
            // Every byte before the line end is one character of the converted line; with its line feed it is
            // cut into pieces of 255 from its start, so the last piece holds the remainder and the line feed.
            const std::size_t tail = static_cast<std::size_t>(end - start) % kPiece;
            first = end - tail;
            last = end;
            if (nul_ && std::memchr(first, '\0', tail)) continue;
            return true;
        }
        return false;
    }

    // Offset just after the line feed last consumed, and the number of line feeds consumed.
    std::size_t offset() const { return pos_; }
    std::uint64_t lines() const { return lines_; }

private:
    const char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    std::uint64_t lines_ = 0;
    bool nul_;
};

// Room for the points of a text of total bytes whose first bytes are [data, data + size): its line feeds in the
// first 64 KiB scaled to the whole and a tenth more, never more than one point per 4 bytes (a line of two numbers
// and its line feed take at least 4), so that no claim of a file can ask for more than its bytes bear.
inline std::size_t EstimatePoints(const char* data, std::size_t size, std::size_t total) {
    const std::size_t sample = std::min<std::size_t>(size, std::size_t{1} << 16);
    if (sample == 0) return 0;
    const double lines = static_cast<double>(std::count(data, data + sample, '\n'));
    const double estimate = lines * (static_cast<double>(total) / static_cast<double>(sample)) * 1.1 + 16;
    return std::min(static_cast<std::size_t>(estimate), total / 4 + 1);
}

}  // namespace xrddata::platform
