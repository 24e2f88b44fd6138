// Text files in the framework's shape. In text mode a CR LF pair reads as LF and every LF is written as CR LF;
// ReadString(buffer, n) reads like fgets: at most n-1 characters, ending after a line feed. Buffered both ways.
#pragma once

#include <vector>

#include "xrddata/platform/file.h"

class XRDDATA_API CStdioFile : public CFile {
public:
    CStdioFile();
    CStdioFile(const char* path, UINT flags);
    ~CStdioFile() override;

    BOOL Open(const char* path, UINT flags, CFileException* error = nullptr) override;
    UINT Read(void* buffer, UINT count) override;
    void Write(const void* buffer, UINT count) override;
    std::uint64_t Seek(std::int64_t offset, UINT from) override;
    std::uint64_t GetPosition() const override;
    void Flush() override;
    void Close() override;
    void Abort() override;

    // Reads one piece of at most nMax-1 characters that ends after a line feed or when full; the text is
    // NUL-terminated and keeps its line feed. Returns null at the end of the file.
    char* ReadString(char* buffer, UINT nMax);
    // Reads one whole line without its line end; FALSE at the end of the file.
    BOOL ReadString(CString& line);
    // Writes the text, each LF as CR LF in text mode.
    void WriteString(const char* text);
    void WriteString(const CString& text) { WriteString(text.c_str()); }

private:
    int Fill();        // refills the read buffer; returns the number of bytes now available
    int GetChar();     // next character after text-mode translation, -1 at the end
    void PutRaw(const char* p, size_t n);
    void FlushWrite();

    bool m_bText = true;
    std::vector<char> m_in;
    size_t m_inPos = 0;
    size_t m_inLen = 0;
    std::vector<char> m_out;
};
