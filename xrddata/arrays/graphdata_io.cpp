// The point set's archive record and its text files.
//
// Archive record: signature 0x71811680 (bytes 80 16 81 71), version 0, the custom-error flag as a 32-bit integer,
// the x and y columns as arrays of doubles, then the error column only when the flag is nonzero.
//
// Text files: one point per line, "x y [error]" (read in graphdata_textimport.cpp); written as "%g\t%g[\t%g]"
// with CR LF line ends and three-digit exponents.
#include <charconv>
#include <vector>

#include "xrddata/arrays/graphdata.h"
#include "xrddata/platform/stdiofile.h"
#include "xrddata/platform/strutil.h"
#include "xrddata/platform/ui.h"

namespace {
constexpr std::uint32_t kGraphSignature = 0x71811680u;
constexpr std::uint32_t kGraphVersion = 0;

// Writes v as "%g" in the C locale writes it (six significant digits, trailing zeros dropped, "nan", "inf") with
// the exponent widened to three digits, and returns the end. std::to_chars knows no locale, so none has to be
// switched per value. Needs 32 characters of room.
//
// Most values of a pattern need few digits (counts, angles on a step): their shortest representation, when it
// has at most six digits, has exactly the digits %g prints (a double lies far closer to it than to any other
// six-digit decimal), and is laid out here by the %g rule. Whole numbers below a million are written directly.
// A value of magnitude 1 to 999999.x, not whole, that reads back from a decimal of six significant digits: that
// decimal, found as the whole number m = v * 10^k (k = 6 - its whole digits) for which m / 10^k (one correctly
// rounded division of exact doubles) is v again, its trailing zeros dropped. A double lies far closer to such a
// decimal than to any other of six digits, so it is what %g prints. Null otherwise.
char* PutShortFixed(char* p, double v) {
    static constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
    static constexpr long long kWhole10[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
    const double a = v < 0 ? -v : v;
    if (!(a >= 1.0 && a < 1e6)) return nullptr;
    const long long whole = static_cast<long long>(a);
    int wholeDigits = 1;
    while (wholeDigits < 6 && whole >= kWhole10[wholeDigits]) ++wholeDigits;
    const int k = 6 - wholeDigits;
    if (k == 0) return nullptr;
    const long long m = static_cast<long long>(a * kPow10[k] + 0.5);
    if (static_cast<double>(m) / kPow10[k] != a) return nullptr;
    if (v < 0) *p++ = '-';
    p = std::to_chars(p, p + 8, m / kWhole10[k]).ptr;
    *p++ = '.';
    long long fraction = m % kWhole10[k];
    for (int d = k - 1; d >= 0; --d) {
        p[d] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    p += k;
    while (p[-1] == '0') --p;  // the fraction is not zero: v is not whole
    return p;
}

char* PutG(char* p, double v) {
    if (v > -1e6 && v < 1e6 && v != 0.0) {
        const long long whole = static_cast<long long>(v);
        if (static_cast<double>(whole) == v) return std::to_chars(p, p + 32, whole).ptr;
        if (char* end = PutShortFixed(p, v)) return end;
        char sci[32];
        const std::to_chars_result r = std::to_chars(sci, sci + sizeof sci, v, std::chars_format::scientific);
        // sci: [-]d[.ddd]e±XX
        const char* s = sci;
        const bool negative = *s == '-';
        if (negative) ++s;
        char digits[20];
        int count = 0;
        while (s < r.ptr && *s != 'e') {
            if (*s != '.') digits[count++] = *s;
            ++s;
        }
        if (count <= 6 && s < r.ptr) {
            int exponent = 0;
            std::from_chars(s + (s[1] == '+' ? 2 : 1), r.ptr, exponent);
            if (exponent >= -4 && exponent < 6) {
                if (negative) *p++ = '-';
                if (exponent < 0) {
                    *p++ = '0';
                    *p++ = '.';
                    for (int z = -1; z > exponent; --z) *p++ = '0';
                    for (int k = 0; k < count; ++k) *p++ = digits[k];
                } else {
                    for (int k = 0; k <= exponent; ++k) *p++ = k < count ? digits[k] : '0';
                    if (count > exponent + 1) {
                        *p++ = '.';
                        for (int k = exponent + 1; k < count; ++k) *p++ = digits[k];
                    }
                }
                return p;
            }
        }
    }
    const std::to_chars_result r = std::to_chars(p, p + 32, v, std::chars_format::general, 6);
    char* end = r.ptr;
    // An exponent is "e", a sign and two or three digits, at the end: two digits get a leading zero.
    if (end - p >= 4 && end[-4] == 'e') {
        end[0] = end[-1];
        end[-1] = end[-2];
        end[-2] = '0';
        ++end;
    }
    return end;
}
}  // namespace

void CGraphData::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << kGraphSignature << kGraphVersion << static_cast<std::int32_t>(m_bCustomErrors);
        m_X.Serialize(ar);
        m_Y.Serialize(ar);
        if (m_bCustomErrors) m_YError.Serialize(ar);
        return;
    }
    std::uint32_t signature, version;
    ar >> signature;
    if (signature != kGraphSignature) throw CArchiveException(CArchiveException::badIndex);
    ar >> version;
    if (version != kGraphVersion) throw CArchiveException(CArchiveException::badSchema);
    RemoveAll();
    LoadCurrentVersion(ar);
}

void CGraphData::LoadCurrentVersion(CArchive& ar) {
    std::int32_t flag;
    ar >> flag;
    m_bCustomErrors = flag;
    // The record does not tie the column sizes together, and a record cut short leaves the columns read so far.
    // Columns of different sizes would let every indexed access run past the shorter one, so such a set is
    // emptied (the points only: a derived class's header stays); a complete record with disagreeing columns is
    // refused.
    auto agree = [this] {
        int n = m_X.GetSize();
        return m_Y.GetSize() == n && (!m_bCustomErrors || m_YError.GetSize() == n);
    };
    try {
        m_X.Serialize(ar);
        m_Y.Serialize(ar);
        if (m_bCustomErrors) m_YError.Serialize(ar);
    } catch (...) {
        if (!agree()) CGraphData::RemoveAll();
        throw;
    }
    if (!agree()) {
        CGraphData::RemoveAll();
        throw CArchiveException(CArchiveException::genericException);
    }
}

int CGraphData::DoExportAsText(const char* path) {
    if (!path || GetSize() == 0) return 0;
    CStdioFile file;
    CFileException error;
    // Binary: the lines carry their CR LF themselves.
    if (!file.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary, &error)) {
        error.ReportError();
        return 0;
    }
    try {
        // Lines are gathered in a buffer and handed over some 64 KB at a time.
        constexpr size_t kLine = 3 * 32 + 4;
        std::vector<char> buffer(size_t{1} << 16);
        char* const begin = buffer.data();
        char* const flushAt = begin + buffer.size() - kLine;
        char* p = begin;
        const double* x = m_X.GetData();
        const double* y = m_Y.GetData();
        const double* e = m_bCustomErrors ? m_YError.GetData() : nullptr;
        const int n = GetSize();
        for (int i = 0; i < n; ++i) {
            p = PutG(p, x[i]);
            *p++ = '\t';
            p = PutG(p, y[i]);
            if (e) {
                *p++ = '\t';
                p = PutG(p, e[i]);
            }
            *p++ = '\r';
            *p++ = '\n';
            if (p >= flushAt) {
                file.Write(begin, static_cast<UINT>(p - begin));
                p = begin;
            }
        }
        file.Write(begin, static_cast<UINT>(p - begin));
        // A write that cannot complete (a full disk) surfaces here at the latest.
        file.Close();
    } catch (const CFileException& e) {
        file.Abort();
        e.ReportError();
        return 0;
    }
    return 1;
}
