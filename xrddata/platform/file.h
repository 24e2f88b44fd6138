// Binary files in the framework's shape: CFile over a POSIX file descriptor. Failures raise CFileException with
// the OS error text; Open reports them through its out-parameter instead.
#pragma once

#include <cstdint>

#include "xrddata/platform/exceptions.h"
#include "xrddata/platform/types.h"

class XRDDATA_API CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    CFile();
    // Opens the file or raises CFileException.
    CFile(const char* path, UINT flags);
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Opens path; on failure fills *error (when given) and returns FALSE. A directory is refused (access denied).
    virtual BOOL Open(const char* path, UINT flags, CFileException* error = nullptr);
    // Reads up to count bytes; returns the number read (0 at the end of the file).
    virtual UINT Read(void* buffer, UINT count);
    // Writes all count bytes or raises CFileException (disk full, I/O error).
    virtual void Write(const void* buffer, UINT count);
    virtual std::uint64_t Seek(std::int64_t offset, UINT from);
    void SeekToBegin() { Seek(0, begin); }
    virtual std::uint64_t GetLength() const;
    virtual std::uint64_t GetPosition() const;
    virtual void Flush();
    // Closes the file; raises CFileException if data could not be written.
    virtual void Close();
    // Closes without raising.
    virtual void Abort();
    virtual bool IsOpen() const { return m_fd >= 0; }
    const CString& GetFilePath() const { return m_strFileName; }

protected:
    [[noreturn]] void ThrowErrno(int err) const;

    int m_fd = -1;
    CString m_strFileName;
};
