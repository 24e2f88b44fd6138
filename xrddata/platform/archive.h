// The framework's serialization stream. All values are little-endian with no padding; element counts, strings and
// date-times use the framework's encodings (a count below 0xFFFF is a word, else 0xFFFF and a DWORD; a string is a
// length prefix and its bytes; a date-time is the status as a 32-bit integer and the day number as a double).
// Loading a count or length never allocates more than the stream can still deliver: a larger value raises
// CArchiveException(endOfFile) before any allocation.
#pragma once

#include <cstdint>
#include <vector>

#include "xrddata/platform/datetime.h"
#include "xrddata/platform/exceptions.h"
#include "xrddata/platform/file.h"

class XRDDATA_API CArchive {
public:
    enum Mode { store = 0, load = 1 };

    CArchive(CFile* file, UINT mode, int bufferSize = 4096);
    // Flushes a storing archive that was not closed (errors are swallowed here; call Close to see them).
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    BOOL IsLoading() const { return m_mode == load; }
    BOOL IsStoring() const { return m_mode == store; }

    // Writes pending bytes to the file (storing) and detaches from it.
    void Close();
    void Flush();

    // Raw bytes. Read returns the number of bytes read (fewer only at the end of the stream).
    UINT Read(void* buffer, UINT count);
    void Write(const void* buffer, UINT count);
    // Reads exactly count bytes or raises CArchiveException(endOfFile).
    void ReadExact(void* buffer, size_t count);

    // Bytes the stream can still deliver when loading.
    std::uint64_t BytesLeft() const;
    // Raises CArchiveException(endOfFile) unless at least count items of itemSize bytes can still be read.
    void RequireItems(std::uint64_t count, std::uint64_t itemSize) const;

    CArchive& operator<<(BYTE v);
    CArchive& operator<<(WORD v);
    CArchive& operator<<(std::int16_t v);
    CArchive& operator<<(std::int32_t v);
    CArchive& operator<<(std::uint32_t v);
    CArchive& operator<<(float v);
    CArchive& operator<<(double v);
    CArchive& operator<<(const CString& s);
    CArchive& operator<<(const char* s);
    CArchive& operator<<(const COleDateTime& dt);

    CArchive& operator>>(BYTE& v);
    CArchive& operator>>(WORD& v);
    CArchive& operator>>(std::int16_t& v);
    CArchive& operator>>(std::int32_t& v);
    CArchive& operator>>(std::uint32_t& v);
    CArchive& operator>>(float& v);
    CArchive& operator>>(double& v);
    CArchive& operator>>(CString& s);
    CArchive& operator>>(COleDateTime& dt);

    void WriteCount(DWORD count);
    DWORD ReadCount();

    // Blocks of doubles, 8 bytes each in index order.
    void WriteDoubles(const double* p, size_t n);
    void ReadDoubles(double* p, size_t n);

private:
    void Need(size_t n);  // loading: makes n bytes available in the buffer or raises endOfFile
    [[noreturn]] void ThrowEnd() const;
    std::uint64_t ReadStringLength(bool& wide);

    CFile* m_pFile;
    UINT m_mode;
    size_t m_bufferSize;
    std::vector<BYTE> m_buf;
    size_t m_pos = 0;  // loading: next byte in m_buf
    size_t m_len = 0;  // loading: bytes held in m_buf
};
