// The framework's exceptions: a common base with the text shown to the user, the file exception with the OS error
// text, and the archive exception with the framework's causes. Memory exhaustion is std::bad_alloc. All are thrown
// by value and caught by reference.
#pragma once

#include <exception>

#include "xrddata/platform/types.h"

class XRDDATA_API CException : public std::exception {
public:
    ~CException() override;
    // The text the framework shows for this exception.
    virtual CString GetErrorMessage() const = 0;
    // Shows GetErrorMessage() in a message box with the exclamation icon.
    int ReportError(UINT type = 0x30) const;
    const char* what() const noexcept override;

protected:
    mutable CString m_what;
};

class XRDDATA_API CFileException : public CException {
public:
    enum Cause {
        none = 0,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };
    CFileException(int cause = none, long osError = -1, const CString& fileName = CString());
    // Builds the exception for an errno value, with the matching cause.
    static CFileException FromErrno(int err, const CString& fileName);
    CString GetErrorMessage() const override;

    int m_cause;
    long m_lOsError;
    CString m_strFileName;
};

class XRDDATA_API CArchiveException : public CException {
public:
    enum Cause {
        none = 0,
        genericException = 1,
        readOnly = 2,
        endOfFile = 3,
        writeOnly = 4,
        badIndex = 5,
        badClass = 6,
        badSchema = 7
    };
    explicit CArchiveException(int cause = none, const CString& fileName = CString());
    CString GetErrorMessage() const override;

    int m_cause;
    CString m_strFileName;
};

// Reports any exception caught at the edge of an operation with the framework's own message for it
// (the memory exception shows "Out of memory.").
XRDDATA_API void ReportException(const std::exception& e);
