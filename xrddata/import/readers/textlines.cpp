#include "xrddata/import/readers/textlines.h"

#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <locale.h>

#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/filetime.h"

namespace import_text {

namespace {

locale_t CLocale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return loc;
}

}  // namespace

bool OpenText(CStdioFile& file, const CString& fileName) {
    CFileException error;
    if (!file.Open(fileName.c_str(), CFile::modeRead | CFile::typeText, &error)) {
        error.ReportError();
        return false;
    }
    return true;
}

bool ReadPiece(CStdioFile& file, char* buffer) {
    if (file.ReadString(buffer, kLineBuffer)) return true;
    buffer[0] = '\0';
    return false;
}

CString WithoutNewline(const char* piece) {
    size_t n = std::strlen(piece);
    if (n > 0 && piece[n - 1] == '\n') --n;
    return CString(piece, n);
}

int ScanC(const char* text, const char* format, ...) {
    va_list args;
    va_start(args, format);
    locale_t old = uselocale(CLocale());
    int n = std::vsscanf(text, format, args);
    uselocale(old);
    va_end(args);
    return n;
}

CString FileTitleOf(const CString& path) {
    size_t slash = path.find_last_of('/');
    return slash == CString::npos ? path : path.substr(slash + 1);
}

void SetDateFromFile(CXRDData& pattern, const CString& path) {
    COleDateTime modified;
    if (GetFileModifiedTime(path.c_str(), modified)) pattern.m_CollectionDate = modified;
}

}  // namespace import_text
