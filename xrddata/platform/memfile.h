// A file held in memory, for archives built and read without touching the disk.
#pragma once

#include <vector>

#include "xrddata/platform/file.h"

class XRDDATA_API CMemFile : public CFile {
public:
    CMemFile();
    // A file whose initial content is a copy of the given bytes, positioned at the start.
    CMemFile(const void* data, size_t size);
    ~CMemFile() override;

    BOOL Open(const char* path, UINT flags, CFileException* error = nullptr) override;
    UINT Read(void* buffer, UINT count) override;
    void Write(const void* buffer, UINT count) override;
    std::uint64_t Seek(std::int64_t offset, UINT from) override;
    std::uint64_t GetLength() const override { return m_data.size(); }
    std::uint64_t GetPosition() const override { return m_pos; }
    void Flush() override {}
    void Close() override {}
    void Abort() override {}
    bool IsOpen() const override { return true; }

    const std::vector<BYTE>& Data() const { return m_data; }
    std::vector<BYTE> Detach();

private:
    std::vector<BYTE> m_data;
    size_t m_pos = 0;
};
