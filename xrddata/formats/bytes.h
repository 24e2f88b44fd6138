// Binary fields for the readers of binary formats. Every number is assembled byte by byte in the byte order the
// format uses (never by laying a structure over the bytes, whose padding and byte order would be the compiler's),
// and text fields are fixed-width byte fields that end at their first zero byte.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace xrddata::formats::le {

inline std::uint16_t u16(const std::byte* p) {
    return static_cast<std::uint16_t>(std::to_integer<unsigned>(p[0]) | (std::to_integer<unsigned>(p[1]) << 8));
}
inline std::int16_t i16(const std::byte* p) { return static_cast<std::int16_t>(u16(p)); }
inline std::uint32_t u32(const std::byte* p) {
    return std::to_integer<std::uint32_t>(p[0]) | (std::to_integer<std::uint32_t>(p[1]) << 8) |
           (std::to_integer<std::uint32_t>(p[2]) << 16) | (std::to_integer<std::uint32_t>(p[3]) << 24);
}
inline std::int32_t i32(const std::byte* p) { return static_cast<std::int32_t>(u32(p)); }
inline std::uint64_t u64(const std::byte* p) {
    return static_cast<std::uint64_t>(u32(p)) | (static_cast<std::uint64_t>(u32(p + 4)) << 32);
}
inline std::int64_t i64(const std::byte* p) { return static_cast<std::int64_t>(u64(p)); }
// IEEE single and double precision.
inline float f32(const std::byte* p) {
    const std::uint32_t u = u32(p);
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}
inline double f64(const std::byte* p) {
    const std::uint64_t u = u64(p);
    double d;
    std::memcpy(&d, &u, sizeof d);
    return d;
}

}  // namespace xrddata::formats::le

namespace xrddata::formats {

// The bytes of a text field of `width` bytes up to its first zero byte.
inline std::string FieldText(const std::byte* p, std::size_t width) {
    const void* nul = std::memchr(p, 0, width);
    const std::size_t n = nul ? static_cast<std::size_t>(static_cast<const std::byte*>(nul) - p) : width;
    return std::string(reinterpret_cast<const char*>(p), n);
}

// The same without blanks (spaces, tabs, line ends) at either end.
inline std::string TrimmedFieldText(const std::byte* p, std::size_t width) {
    std::string s = FieldText(p, width);
    const char* blanks = " \t\r\n";
    const std::size_t b = s.find_first_not_of(blanks);
    if (b == std::string::npos) return {};
    const std::size_t e = s.find_last_not_of(blanks);
    return s.substr(b, e - b + 1);
}

// A fixed-size header block copied from the bytes at an offset. Whatever lies past the end of the bytes reads as
// zero, as a reader sees a header that it clears before reading it from a file that stops short; present() tells
// how many bytes really came from the file.
template <std::size_t N>
class Block {
public:
    Block(std::span<const std::byte> bytes, std::size_t offset) {
        if (offset < bytes.size()) {
            present_ = std::min(N, bytes.size() - offset);
            std::memcpy(b_.data(), bytes.data() + offset, present_);
        }
    }
    std::size_t present() const { return present_; }
    bool complete() const { return present_ == N; }
    const std::byte* at(std::size_t offset) const { return b_.data() + offset; }
    std::int16_t i16(std::size_t at) const { return le::i16(b_.data() + at); }
    std::uint16_t u16(std::size_t at) const { return le::u16(b_.data() + at); }
    std::int32_t i32(std::size_t at) const { return le::i32(b_.data() + at); }
    std::uint32_t u32(std::size_t at) const { return le::u32(b_.data() + at); }
    float f32(std::size_t at) const { return le::f32(b_.data() + at); }
    double f64(std::size_t at) const { return le::f64(b_.data() + at); }
    std::string text(std::size_t at, std::size_t width) const { return FieldText(b_.data() + at, width); }
    std::string trimmed(std::size_t at, std::size_t width) const { return TrimmedFieldText(b_.data() + at, width); }
    std::array<std::byte, N>& raw() { return b_; }

private:
    std::array<std::byte, N> b_{};
    std::size_t present_ = 0;
};

// The bytes as characters (text formats look at their bytes this way).
inline std::string_view AsText(std::span<const std::byte> bytes) {
    return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// Characters as bytes (a member read out of an archive, handed to a reader of bytes).
inline std::span<const std::byte> AsBytes(std::string_view text) {
    return {reinterpret_cast<const std::byte*>(text.data()), text.size()};
}

}  // namespace xrddata::formats
