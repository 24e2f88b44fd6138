#include "xrddata/formats/lines.h"

#include <locale.h>

#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace xrddata::formats {

PieceReader::PieceReader(std::span<const std::byte> bytes)
    : data_(reinterpret_cast<const char*>(bytes.data())), size_(bytes.size()) {}

int PieceReader::get() {
    if (pos_ >= size_) return -1;
    const char c = data_[pos_++];
    if (c == '\r' && pos_ < size_ && data_[pos_] == '\n') {
        ++pos_;
        ++lines_;
        return '\n';
    }
    if (c == '\n') ++lines_;
    return static_cast<unsigned char>(c);
}

bool PieceReader::next(char (&buffer)[kPiece]) {
    std::size_t n = 0;
    while (n + 1 < kPiece) {
        // A run of plain characters is copied at once, up to a line feed or a CR.
        const std::size_t avail = std::min(size_ - pos_, kPiece - 1 - n);
        std::size_t run = 0;
        while (run < avail && data_[pos_ + run] != '\n' && data_[pos_ + run] != '\r') ++run;
        if (run > 0) {
            std::memcpy(buffer + n, data_ + pos_, run);
            pos_ += run;
            n += run;
            continue;
        }
        const int c = get();
        if (c < 0) break;
        buffer[n++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    buffer[n] = '\0';
    return n > 0;
}

bool PieceReader::next_line(std::string& line) {
    line.clear();
    bool any = false;
    for (;;) {
        const int c = get();
        if (c < 0) break;
        any = true;
        if (c == '\n') break;
        line += static_cast<char>(c);
    }
    return any;
}

LineSplitter::LineSplitter(std::span<const std::byte> bytes)
    : LineSplitter(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())) {}

LineSplitter::LineSplitter(std::string_view text) : text_(text) {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
}

bool LineSplitter::next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    const std::size_t end = text_.find_first_of("\r\n", pos_);
    if (end == std::string_view::npos) {
        line = text_.substr(pos_);
        pos_ = text_.size();
    } else {
        line = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        if (text_[end] == '\r' && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    }
    ++number_;
    return true;
}

namespace {

locale_t CLocale() {
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return loc;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

}  // namespace

int ScanC(const char* text, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const locale_t old = uselocale(CLocale());
    const int n = std::vsscanf(text, format, args);
    uselocale(old);
    va_end(args);
    return n;
}

std::string_view TrimBlanks(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    return text.substr(b, e - b);
}

bool TakeDouble(std::string_view& text, double& value) {
    std::size_t p = 0;
    while (p < text.size() && IsBlank(text[p])) ++p;
    const char* first = text.data() + p;
    const char* last = text.data() + text.size();
    if (first < last && *first == '+') {
        ++first;  // from_chars takes no plus sign; a sign after it is no number
        if (first < last && (*first == '+' || *first == '-')) return false;
    }
    if (first == last) return false;
    double v;
    const auto r = std::from_chars(first, last, v, std::chars_format::general);
    if (r.ec != std::errc() || !std::isfinite(v)) return false;
    value = v;
    text.remove_prefix(static_cast<std::size_t>(r.ptr - text.data()));
    return true;
}

bool ParseDouble(std::string_view text, double& value) {
    std::string_view t = text;
    double v;
    if (!TakeDouble(t, v) || !TrimBlanks(t).empty()) return false;
    value = v;
    return true;
}

}  // namespace xrddata::formats
