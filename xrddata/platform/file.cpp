#include "xrddata/platform/file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CFile::CFile() = default;

CFile::CFile(const char* path, UINT flags) {
    CFileException error;
    if (!Open(path, flags, &error)) throw error;
}

CFile::~CFile() { Abort(); }

BOOL CFile::Open(const char* path, UINT flags, CFileException* error) {
    Abort();
    if (!path) {
        if (error) *error = CFileException(CFileException::badPath, -1, CString());
        return FALSE;
    }
    int oflags = O_CLOEXEC;
    switch (flags & 3) {
        case modeWrite: oflags |= O_WRONLY; break;
        case modeReadWrite: oflags |= O_RDWR; break;
        default: oflags |= O_RDONLY; break;
    }
    if (flags & modeCreate) {
        oflags |= O_CREAT;
        if (!(flags & modeNoTruncate)) oflags |= O_TRUNC;
    }
    int fd;
    do {
        fd = ::open(path, oflags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (error) *error = CFileException::FromErrno(errno, path);
        return FALSE;
    }
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        if (error) *error = CFileException::FromErrno(EISDIR, path);
        return FALSE;
    }
    m_fd = fd;
    m_strFileName = path;
    return TRUE;
}

void CFile::ThrowErrno(int err) const { throw CFileException::FromErrno(err, m_strFileName); }

UINT CFile::Read(void* buffer, UINT count) {
    if (m_fd < 0) throw CFileException(CFileException::invalidFile, -1, m_strFileName);
    auto* p = static_cast<char*>(buffer);
    UINT done = 0;
    while (done < count) {
        ssize_t n = ::read(m_fd, p + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowErrno(errno);
        }
        if (n == 0) break;
        done += static_cast<UINT>(n);
    }
    return done;
}

void CFile::Write(const void* buffer, UINT count) {
    if (m_fd < 0) throw CFileException(CFileException::invalidFile, -1, m_strFileName);
    const auto* p = static_cast<const char*>(buffer);
    UINT done = 0;
    while (done < count) {
        ssize_t n = ::write(m_fd, p + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowErrno(errno);
        }
        if (n == 0) ThrowErrno(ENOSPC);
        done += static_cast<UINT>(n);
    }
}

std::uint64_t CFile::Seek(std::int64_t offset, UINT from) {
    int whence = from == current ? SEEK_CUR : (from == end ? SEEK_END : SEEK_SET);
    off_t r = ::lseek(m_fd, static_cast<off_t>(offset), whence);
    if (r < 0) ThrowErrno(errno);
    return static_cast<std::uint64_t>(r);
}

std::uint64_t CFile::GetLength() const {
    struct stat st;
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

std::uint64_t CFile::GetPosition() const {
    off_t r = m_fd < 0 ? -1 : ::lseek(m_fd, 0, SEEK_CUR);
    return r < 0 ? 0 : static_cast<std::uint64_t>(r);
}

void CFile::Flush() {}

void CFile::Close() {
    if (m_fd >= 0) {
        int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0 && errno != EINTR) ThrowErrno(errno);
    }
}

void CFile::Abort() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}
