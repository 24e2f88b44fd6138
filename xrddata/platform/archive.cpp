#include "xrddata/platform/archive.h"

#include <bit>
#include <cstring>
#include <type_traits>

#include "xrddata/platform/utf.h"

namespace {

// The unsigned integer of a value's size: floating-point values are stored as their bit patterns.
template <class T>
using Bits = std::conditional_t<sizeof(T) == 8, std::uint64_t,
                                std::conditional_t<sizeof(T) == 4, std::uint32_t,
                                                   std::conditional_t<sizeof(T) == 2, std::uint16_t, std::uint8_t>>>;

template <class T>
void PutLE(BYTE* p, T v) {
    auto u = std::bit_cast<Bits<T>>(v);
    for (size_t i = 0; i < sizeof(T); ++i) p[i] = static_cast<BYTE>(u >> (8 * i));
}

template <class T>
T GetLE(const BYTE* p) {
    Bits<T> u = 0;
    for (size_t i = 0; i < sizeof(T); ++i) u = static_cast<Bits<T>>(u | static_cast<Bits<T>>(Bits<T>{p[i]} << (8 * i)));
    return std::bit_cast<T>(u);
}

}  // namespace

CArchive::CArchive(CFile* file, UINT mode, int bufferSize)
    : m_pFile(file), m_mode(mode & load ? load : store), m_bufferSize(bufferSize > 512 ? bufferSize : 512) {
    m_buf.reserve(m_bufferSize);
}

CArchive::~CArchive() {
    if (m_pFile && IsStoring()) {
        try {
            Flush();
        } catch (...) {
        }
    }
}

void CArchive::Close() {
    if (m_pFile && IsStoring()) Flush();
    m_pFile = nullptr;
}

void CArchive::Flush() {
    if (!m_pFile || !IsStoring() || m_buf.empty()) return;
    std::vector<BYTE> pending;
    pending.swap(m_buf);
    m_buf.reserve(m_bufferSize);
    m_pFile->Write(pending.data(), static_cast<UINT>(pending.size()));
}

[[noreturn]] void CArchive::ThrowEnd() const {
    throw CArchiveException(CArchiveException::endOfFile, m_pFile ? m_pFile->GetFilePath() : CString());
}

void CArchive::Write(const void* buffer, UINT count) {
    if (!IsStoring()) throw CArchiveException(CArchiveException::readOnly);
    const auto* p = static_cast<const BYTE*>(buffer);
    if (count >= m_bufferSize) {
        Flush();
        m_pFile->Write(p, count);
        return;
    }
    if (m_buf.size() + count > m_bufferSize) Flush();
    m_buf.insert(m_buf.end(), p, p + count);
}

UINT CArchive::Read(void* buffer, UINT count) {
    if (!IsLoading()) throw CArchiveException(CArchiveException::writeOnly);
    auto* p = static_cast<BYTE*>(buffer);
    UINT done = 0;
    size_t have = m_len - m_pos;
    if (have) {
        size_t take = std::min<size_t>(have, count);
        std::memcpy(p, m_buf.data() + m_pos, take);
        m_pos += take;
        done += static_cast<UINT>(take);
    }
    if (done < count && m_pFile) done += m_pFile->Read(p + done, count - done);
    return done;
}

void CArchive::ReadExact(void* buffer, size_t count) {
    auto* p = static_cast<BYTE*>(buffer);
    while (count) {
        UINT chunk = static_cast<UINT>(std::min<size_t>(count, 1u << 30));
        UINT got = Read(p, chunk);
        if (got != chunk) ThrowEnd();
        p += chunk;
        count -= chunk;
    }
}

void CArchive::Need(size_t n) {
    if (!IsLoading()) throw CArchiveException(CArchiveException::writeOnly);
    if (m_len - m_pos >= n) return;
    // Keep the unread tail, then fill up from the file.
    size_t keep = m_len - m_pos;
    if (m_buf.size() < m_bufferSize) m_buf.resize(m_bufferSize);
    std::memmove(m_buf.data(), m_buf.data() + m_pos, keep);
    m_pos = 0;
    m_len = keep;
    while (m_len < n) {
        UINT got = m_pFile ? m_pFile->Read(m_buf.data() + m_len, static_cast<UINT>(m_buf.size() - m_len)) : 0;
        if (got == 0) ThrowEnd();
        m_len += got;
    }
}

std::uint64_t CArchive::BytesLeft() const {
    std::uint64_t buffered = m_len - m_pos;
    if (!m_pFile) return buffered;
    std::uint64_t length = m_pFile->GetLength(), pos = m_pFile->GetPosition();
    return buffered + (length > pos ? length - pos : 0);
}

void CArchive::RequireItems(std::uint64_t count, std::uint64_t itemSize) const {
    if (itemSize && count > BytesLeft() / itemSize) ThrowEnd();
}

#define XRD_STORE(T)                              \
    CArchive& CArchive::operator<<(T v) {         \
        BYTE b[sizeof(T)];                        \
        PutLE<T>(b, v);                           \
        Write(b, sizeof b);                       \
        return *this;                             \
    }                                             \
    CArchive& CArchive::operator>>(T& v) {        \
        Need(sizeof(T));                          \
        v = GetLE<T>(m_buf.data() + m_pos);       \
        m_pos += sizeof(T);                       \
        return *this;                             \
    }
XRD_STORE(BYTE)
XRD_STORE(WORD)
XRD_STORE(std::int16_t)
XRD_STORE(std::int32_t)
XRD_STORE(std::uint32_t)
XRD_STORE(float)
XRD_STORE(double)
#undef XRD_STORE

void CArchive::WriteCount(DWORD count) {
    if (count < 0xFFFF) {
        *this << static_cast<WORD>(count);
    } else {
        *this << static_cast<WORD>(0xFFFF) << static_cast<std::uint32_t>(count);
    }
}

DWORD CArchive::ReadCount() {
    WORD w;
    *this >> w;
    if (w != 0xFFFF) return w;
    std::uint32_t d;
    *this >> d;
    return d;
}

CArchive& CArchive::operator<<(const char* s) { return *this << CString(s ? s : ""); }

CArchive& CArchive::operator<<(const CString& s) {
    size_t n = s.size();
    if (n < 255) {
        *this << static_cast<BYTE>(n);
    } else if (n < 0xFFFE) {
        *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(n);
    } else {
        *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(0xFFFF) << static_cast<std::uint32_t>(n);
    }
    Write(s.data(), static_cast<UINT>(n));
    return *this;
}

std::uint64_t CArchive::ReadStringLength(bool& wide) {
    wide = false;
    BYTE b;
    *this >> b;
    if (b < 0xFF) return b;
    WORD w;
    *this >> w;
    if (w == 0xFFFE) {
        // 16-bit characters follow; the real length comes in the same prefix scheme.
        wide = true;
        *this >> b;
        if (b < 0xFF) return b;
        *this >> w;
    }
    if (w < 0xFFFF) return w;
    std::uint32_t d;
    *this >> d;
    return d;
}

CArchive& CArchive::operator>>(CString& s) {
    bool wide;
    std::uint64_t n = ReadStringLength(wide);
    RequireItems(n, wide ? 2 : 1);
    if (!wide) {
        CString text(static_cast<size_t>(n), '\0');
        ReadExact(text.data(), static_cast<size_t>(n));
        s.swap(text);
        return *this;
    }
    std::vector<BYTE> raw(static_cast<size_t>(n) * 2);
    ReadExact(raw.data(), raw.size());
    std::u16string units(static_cast<size_t>(n), u'\0');
    for (size_t i = 0; i < units.size(); ++i) units[i] = static_cast<char16_t>(GetLE<WORD>(&raw[2 * i]));
    // An unpaired surrogate has no character.
    CString text = xrddata::platform::Utf8FromUtf16(units.data(), units.size(), U'?');
    s.swap(text);
    return *this;
}

CArchive& CArchive::operator<<(const COleDateTime& dt) {
    return *this << static_cast<std::int32_t>(dt.m_status) << dt.m_dt;
}

CArchive& CArchive::operator>>(COleDateTime& dt) {
    std::int32_t status;
    double value;
    *this >> status >> value;
    // A status the framework does not know reads as invalid.
    dt.m_status = status >= 0 && status <= 2 ? static_cast<COleDateTime::DateTimeStatus>(status)
                                             : COleDateTime::invalid;
    dt.m_dt = value;
    return *this;
}

void CArchive::WriteDoubles(const double* p, size_t n) {
    if constexpr (std::endian::native == std::endian::little) {
        const auto* bytes = reinterpret_cast<const BYTE*>(p);
        size_t total = n * 8;
        while (total) {
            UINT chunk = static_cast<UINT>(std::min<size_t>(total, 1u << 30));
            Write(bytes, chunk);
            bytes += chunk;
            total -= chunk;
        }
    } else {
        for (size_t i = 0; i < n; ++i) *this << p[i];
    }
}

void CArchive::ReadDoubles(double* p, size_t n) {
    RequireItems(n, 8);
    if constexpr (std::endian::native == std::endian::little) {
        ReadExact(p, n * 8);
    } else {
        for (size_t i = 0; i < n; ++i) *this >> p[i];
    }
}
