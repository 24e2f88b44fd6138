#include "xrddata/platform/exceptions.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "xrddata/platform/ui.h"

CException::~CException() = default;

int CException::ReportError(UINT type) const { return AfxMessageBox(GetErrorMessage(), type); }

const char* CException::what() const noexcept {
    try {
        m_what = GetErrorMessage();
    } catch (...) {
        return "exception";
    }
    return m_what.c_str();
}

CFileException::CFileException(int cause, long osError, const CString& fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {}

CFileException CFileException::FromErrno(int err, const CString& fileName) {
    int cause = genericException;
    switch (err) {
        case ENOENT: cause = fileNotFound; break;
        case ENOTDIR: case ENAMETOOLONG: case ELOOP: cause = badPath; break;
        case EMFILE: case ENFILE: cause = tooManyOpenFiles; break;
        case EACCES: case EPERM: case EROFS: case EISDIR: cause = accessDenied; break;
        case EBADF: cause = invalidFile; break;
        case ENOSPC: case EDQUOT: cause = diskFull; break;
        case EIO: cause = hardIO; break;
        case ESPIPE: case EINVAL: cause = badSeek; break;
        default: break;
    }
    return CFileException(cause, err, fileName);
}

CString CFileException::GetErrorMessage() const {
    CString text;
    if (m_lOsError > 0) {
        text = std::strerror(static_cast<int>(m_lOsError));
    } else {
        switch (m_cause) {
            case fileNotFound: text = "File not found"; break;
            case accessDenied: text = "Access denied"; break;
            case diskFull: text = "Disk full"; break;
            case endOfFile: text = "Attempted access past end of file"; break;
            case badSeek: text = "Bad seek"; break;
            default: text = "File error"; break;
        }
    }
    if (!m_strFileName.empty()) return m_strFileName + ": " + text + ".";
    return text + ".";
}

CArchiveException::CArchiveException(int cause, const CString& fileName) : m_cause(cause), m_strFileName(fileName) {}

CString CArchiveException::GetErrorMessage() const {
    const char* text;
    switch (m_cause) {
        case readOnly: text = "Attempted to write to an archive opened for loading."; break;
        case endOfFile: text = "Unexpected end of file while reading the archive."; break;
        case writeOnly: text = "Attempted to read from an archive opened for storing."; break;
        case badIndex: text = "Invalid file format."; break;
        case badClass: text = "Unexpected object type in the archive."; break;
        case badSchema: text = "Unsupported version in the archive."; break;
        default: text = "Archive error."; break;
    }
    if (!m_strFileName.empty()) return m_strFileName + ": " + text;
    return text;
}

void ReportException(const std::exception& e) {
    if (auto* ce = dynamic_cast<const CException*>(&e)) {
        ce->ReportError();
    } else if (dynamic_cast<const std::bad_alloc*>(&e)) {
        AfxMessageBox("Out of memory.", MB_ICONEXCLAMATION);
    } else {
        AfxMessageBox(e.what(), MB_ICONEXCLAMATION);
    }
}
