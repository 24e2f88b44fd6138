// Field decoding for the binary instrument readers. Every number is taken byte by byte in little-endian order from
// a buffer read off the disk (never by laying a structure over the buffer, whose padding and byte order would be
// the compiler's), and text fields are fixed-width byte fields that end at their first zero byte.
#pragma once

#include <cstdint>
#include <cstring>

#include "xrddata/platform/file.h"
#include "xrddata/platform/strutil.h"
#include "xrddata/platform/types.h"

namespace binary {

inline std::uint16_t U16(const BYTE* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::int16_t I16(const BYTE* p) { return static_cast<std::int16_t>(U16(p)); }
inline std::uint32_t U32(const BYTE* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::int32_t I32(const BYTE* p) { return static_cast<std::int32_t>(U32(p)); }
inline std::uint64_t U64(const BYTE* p) {
    return static_cast<std::uint64_t>(U32(p)) | (static_cast<std::uint64_t>(U32(p + 4)) << 32);
}
// IEEE single and double precision, stored little-endian.
inline float F32(const BYTE* p) {
    std::uint32_t u = U32(p);
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}
inline double F64(const BYTE* p) {
    std::uint64_t u = U64(p);
    double d;
    std::memcpy(&d, &u, sizeof d);
    return d;
}

// The bytes of a field of `width` bytes up to its first zero byte.
inline CString Text(const BYTE* p, size_t width) {
    const void* nul = std::memchr(p, 0, width);
    size_t n = nul ? static_cast<size_t>(static_cast<const BYTE*>(nul) - p) : width;
    return CString(reinterpret_cast<const char*>(p), n);
}
// The same without blanks (spaces, tabs, line ends) at either end.
inline CString TrimmedText(const BYTE* p, size_t width) { return Trim(Text(p, width)); }

// Reads up to `count` bytes into a buffer cleared first, so that whatever a short file does not hold reads as
// zero. Returns the number of bytes actually read.
inline UINT ReadZeroFilled(CFile& file, BYTE* buffer, UINT count) {
    std::memset(buffer, 0, count);
    return file.Read(buffer, count);
}

}  // namespace binary
