#include "xrddata/platform/stdiofile.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace {
constexpr size_t kBufferSize = 1 << 16;
}

CStdioFile::CStdioFile() = default;

CStdioFile::CStdioFile(const char* path, UINT flags) {
    CFileException error;
    if (!Open(path, flags, &error)) throw error;
}

CStdioFile::~CStdioFile() { Abort(); }

BOOL CStdioFile::Open(const char* path, UINT flags, CFileException* error) {
    m_inPos = m_inLen = 0;
    m_out.clear();
    m_bText = !(flags & typeBinary);
    return CFile::Open(path, flags, error);
}

int CStdioFile::Fill() {
    if (m_inPos < m_inLen) return static_cast<int>(m_inLen - m_inPos);
    if (m_in.size() < kBufferSize) m_in.resize(kBufferSize);
    m_inPos = 0;
    m_inLen = CFile::Read(m_in.data(), static_cast<UINT>(m_in.size()));
    return static_cast<int>(m_inLen);
}

int CStdioFile::GetChar() {
    if (m_inPos >= m_inLen && Fill() == 0) return -1;
    char c = m_in[m_inPos++];
    if (c == '\r' && m_bText) {
        if (m_inPos >= m_inLen && Fill() == 0) return '\r';
        if (m_in[m_inPos] == '\n') {
            ++m_inPos;
            return '\n';
        }
    }
    return static_cast<unsigned char>(c);
}

UINT CStdioFile::Read(void* buffer, UINT count) {
    FlushWrite();
    auto* p = static_cast<char*>(buffer);
    UINT n = 0;
    if (!m_bText) {
        while (n < count) {
            if (m_inPos >= m_inLen && Fill() == 0) break;
            size_t take = std::min<size_t>(count - n, m_inLen - m_inPos);
            std::memcpy(p + n, m_in.data() + m_inPos, take);
            m_inPos += take;
            n += static_cast<UINT>(take);
        }
        return n;
    }
    while (n < count) {
        int c = GetChar();
        if (c < 0) break;
        p[n++] = static_cast<char>(c);
    }
    return n;
}

char* CStdioFile::ReadString(char* buffer, UINT nMax) {
    if (!buffer || nMax == 0) return nullptr;
    UINT n = 0;
    while (n + 1 < nMax) {
        // Fast path: copy a run of plain characters straight from the buffer, up to a line feed or a CR.
        if (m_inPos < m_inLen) {
            const char* start = m_in.data() + m_inPos;
            size_t avail = std::min<size_t>(m_inLen - m_inPos, nMax - 1 - n);
            size_t run = 0;
            while (run < avail && start[run] != '\n' && (start[run] != '\r' || !m_bText)) ++run;
            if (run < avail && start[run] == '\n') ++run;
            if (run > 0) {
                std::memcpy(buffer + n, start, run);
                m_inPos += run;
                n += static_cast<UINT>(run);
                if (buffer[n - 1] == '\n') break;
                continue;
            }
        }
        int c = GetChar();
        if (c < 0) break;
        buffer[n++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    buffer[n] = '\0';
    return n == 0 ? nullptr : buffer;
}

BOOL CStdioFile::ReadString(CString& line) {
    line.clear();
    bool any = false;
    for (;;) {
        int c = GetChar();
        if (c < 0) break;
        any = true;
        if (c == '\n') break;
        line += static_cast<char>(c);
    }
    return any ? TRUE : FALSE;
}

void CStdioFile::PutRaw(const char* p, size_t n) {
    m_out.insert(m_out.end(), p, p + n);
    if (m_out.size() >= kBufferSize) FlushWrite();
}

void CStdioFile::FlushWrite() {
    if (m_out.empty()) return;
    std::vector<char> pending;
    pending.swap(m_out);
    CFile::Write(pending.data(), static_cast<UINT>(pending.size()));
}

void CStdioFile::Write(const void* buffer, UINT count) {
    const auto* p = static_cast<const char*>(buffer);
    if (!m_bText) {
        PutRaw(p, count);
        return;
    }
    const char* end = p + count;
    while (p < end) {
        const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        if (!lf) {
            PutRaw(p, static_cast<size_t>(end - p));
            break;
        }
        PutRaw(p, static_cast<size_t>(lf - p));
        PutRaw("\r\n", 2);
        p = lf + 1;
    }
}

void CStdioFile::WriteString(const char* text) {
    if (text) Write(text, static_cast<UINT>(std::strlen(text)));
}

std::uint64_t CStdioFile::Seek(std::int64_t offset, UINT from) {
    FlushWrite();
    if (from == current) offset -= static_cast<std::int64_t>(m_inLen - m_inPos);
    m_inPos = m_inLen = 0;
    return CFile::Seek(offset, from);
}

std::uint64_t CStdioFile::GetPosition() const {
    return CFile::GetPosition() - (m_inLen - m_inPos) + m_out.size();
}

void CStdioFile::Flush() { FlushWrite(); }

void CStdioFile::Close() {
    if (!IsOpen()) return;
    try {
        FlushWrite();
    } catch (...) {
        CFile::Abort();
        throw;
    }
    CFile::Close();
}

void CStdioFile::Abort() {
    m_out.clear();
    CFile::Abort();
}
