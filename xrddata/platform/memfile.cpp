#include "xrddata/platform/memfile.h"

#include <cstring>

CMemFile::CMemFile() = default;

CMemFile::CMemFile(const void* data, size_t size)
    : m_data(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size) {}

CMemFile::~CMemFile() = default;

BOOL CMemFile::Open(const char*, UINT, CFileException* error) {
    if (error) *error = CFileException(CFileException::genericException);
    return FALSE;
}

UINT CMemFile::Read(void* buffer, UINT count) {
    size_t n = m_pos < m_data.size() ? std::min<size_t>(count, m_data.size() - m_pos) : 0;
    if (n) std::memcpy(buffer, m_data.data() + m_pos, n);
    m_pos += n;
    return static_cast<UINT>(n);
}

void CMemFile::Write(const void* buffer, UINT count) {
    if (m_pos + count > m_data.size()) m_data.resize(m_pos + count);
    if (count) std::memcpy(m_data.data() + m_pos, buffer, count);
    m_pos += count;
}

std::uint64_t CMemFile::Seek(std::int64_t offset, UINT from) {
    std::int64_t base = from == current ? static_cast<std::int64_t>(m_pos)
                                        : (from == end ? static_cast<std::int64_t>(m_data.size()) : 0);
    std::int64_t target = base + offset;
    if (target < 0) throw CFileException(CFileException::badSeek);
    m_pos = static_cast<size_t>(target);
    return m_pos;
}

std::vector<BYTE> CMemFile::Detach() {
    std::vector<BYTE> out;
    out.swap(m_data);
    m_pos = 0;
    return out;
}
