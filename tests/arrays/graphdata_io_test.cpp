// The point set's archive record and text files, including damaged and hostile input.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "support/archive_record.h"
#include "support/support.h"
#include "xrddata/arrays/graphdata.h"
#include "xrddata/platform/memfile.h"
#include "xrddata/platform/strutil.h"

using namespace testing_support;

namespace {

void LoadRecord(CGraphData& g, const std::string& bytes) {
    CMemFile file(bytes.data(), bytes.size());
    CArchive ar(&file, CArchive::load);
    g.Serialize(ar);
}

std::vector<double> Column(const CGraphData& g, CGraphData::Prop p) {
    std::vector<double> v;
    for (int i = 0; i < g.GetSize(); ++i) v.push_back(g.GetAt(p, i));
    return v;
}

CGraphData Sample() {
    CGraphData g(1);
    g.Add(1.0, 4.0, 0.25, 0);
    g.Add(2.0, 9.0, 0.5, 0);
    g.Add(3.5, 1e9, 7.0, 0);
    return g;
}

}  // namespace

TEST(GraphDataArchive, RecordBytesAreExact) {
    CGraphData g;
    g.Add(1, 4, 0, 0);
    g.Add(2, 9, 0, 0);
    std::string expected =
        Bytes().u32(0x71811680u).u32(0).u32(0).u16(2).f64(1).f64(2).u16(2).f64(4).f64(9).str();
    std::string bytes = Store(g);
    EXPECT_EQ(bytes.size(), 48u);
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(bytes.substr(0, 4), "\x80\x16\x81\x71");

    CGraphData c = Sample();
    std::string custom = Store(c);
    EXPECT_EQ(custom.size(), 12u + 3 * (2 + 24));
    CGraphData back(0);
    LoadRecord(back, custom);
    EXPECT_TRUE(back.IsCustomErrors());
    EXPECT_EQ(Column(back, CGraphData::X), Column(c, CGraphData::X));
    EXPECT_EQ(Column(back, CGraphData::Y), Column(c, CGraphData::Y));
    EXPECT_EQ(Column(back, CGraphData::YError), Column(c, CGraphData::YError));
    EXPECT_EQ(Store(back), custom);

    CdblArray big;
    for (int i = 0; i < 70000; ++i) big.Add(i);
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    big.Serialize(ar);
    ar.Close();
    EXPECT_EQ(std::string(file.Data().begin(), file.Data().begin() + 6), Bytes().u16(0xFFFF).u32(70000).str());
    EXPECT_EQ(file.Data().size(), 6u + 8 * 70000);
}

TEST(GraphDataArchive, BadRecordsRaiseTheArchiveException) {
    std::string good = [] {
        CGraphData c = Sample();
        return Store(c);
    }();
    auto cause = [](const std::string& bytes) {
        CGraphData g = Sample();
        try {
            LoadRecord(g, bytes);
        } catch (const CArchiveException& e) {
            return e.m_cause;
        }
        return -1;
    };
    std::string badSig = good;
    badSig[0] = 0x00;
    EXPECT_EQ(cause(badSig), CArchiveException::badIndex);
    std::string badVersion = good;
    badVersion[4] = 1;
    EXPECT_EQ(cause(badVersion), CArchiveException::badSchema);
    // A wrong signature or version leaves the set untouched.
    CGraphData kept = Sample();
    EXPECT_THROW(LoadRecord(kept, badVersion), CArchiveException);
    EXPECT_EQ(kept.GetSize(), 3);
    // Cut at every offset: always the end-of-file cause, never a crash.
    for (size_t cut = 0; cut < good.size(); ++cut) EXPECT_EQ(cause(good.substr(0, cut)), CArchiveException::endOfFile) << cut;
    // A count far beyond the stream is refused before anything is allocated for it.
    std::string huge = Bytes().u32(0x71811680u).u32(0).u32(0).u16(0xFFFF).u32(0x7FFFFFF0).f64(1).str();
    EXPECT_EQ(cause(huge), CArchiveException::endOfFile);
    // Columns of different sizes are refused and leave an empty, consistent set.
    std::string uneven = Bytes().u32(0x71811680u).u32(0).u32(1).u16(2).f64(1).f64(2).u16(1).f64(5).u16(2).f64(1).f64(1).str();
    CGraphData g = Sample();
    try {
        LoadRecord(g, uneven);
        ADD_FAILURE();
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::genericException);
    }
    EXPECT_EQ(g.GetSize(), 0);
    EXPECT_EQ(cause(uneven.substr(0, uneven.size() - 3)), CArchiveException::endOfFile);
}

TEST(GraphDataText, ImportReadsTwoAndThreeColumns) {
    TempDir dir;
    RecordingUi ui;
    CGraphData g;
    WriteFile(dir.file("a.txt"), "1 4\n2 9 3\n3 16\n");
    ASSERT_EQ(g.DoImportFile(dir.file("a.txt").c_str()), 1);
    EXPECT_TRUE(g.IsCustomErrors());
    EXPECT_EQ(Column(g, CGraphData::YError), (std::vector<double>{2, 3, 4}));

    WriteFile(dir.file("b.txt"), "3 9\r\n1 4\r\n2 -1\r\n");
    ASSERT_EQ(g.DoImportFile(dir.file("b.txt").c_str()), 1);
    EXPECT_FALSE(g.IsCustomErrors());
    EXPECT_EQ(Column(g, CGraphData::X), (std::vector<double>{1, 2, 3}));  // sorted

    WriteFile(dir.file("c.txt"), "1 1\n2 2\n3 3");  // the last line has no line end and is dropped
    ASSERT_EQ(g.DoImportFile(dir.file("c.txt").c_str()), 1);
    EXPECT_EQ(g.GetSize(), 2);

    // Of a line longer than 255 characters only its final piece counts.
    WriteFile(dir.file("d.txt"), std::string(300, ' ') + "5 25 1\n");
    ASSERT_EQ(g.DoImportFile(dir.file("d.txt").c_str()), 1);
    EXPECT_EQ(Column(g, CGraphData::Y), (std::vector<double>{25}));

    WriteFile(dir.file("e.txt"), "0x1p1\t-inf 1e-3 extra words\n");
    ASSERT_EQ(g.DoImportFile(dir.file("e.txt").c_str()), 1);
    EXPECT_EQ(g.GetAt(CGraphData::X, 0), 2.0);
    EXPECT_TRUE(std::isinf(g.GetAt(CGraphData::Y, 0)));

    CGraphData custom(1);
    WriteFile(dir.file("empty.txt"), "");
    ASSERT_EQ(custom.DoImportFile(dir.file("empty.txt").c_str()), 1);
    EXPECT_EQ(custom.GetSize(), 0);
    EXPECT_TRUE(custom.IsCustomErrors());  // the mode is kept when nothing was read
    EXPECT_TRUE(ui.messages.empty());
}

TEST(GraphDataText, BadFilesLeaveTheSetAsItWas) {
    TempDir dir;
    RecordingUi ui;
    const CGraphData before = Sample();
    auto attempt = [&](const std::string& path) {
        CGraphData g = before;
        int r = g.DoImportFile(path.c_str());
        EXPECT_EQ(Column(g, CGraphData::X), Column(before, CGraphData::X)) << path;
        EXPECT_EQ(Column(g, CGraphData::YError), Column(before, CGraphData::YError)) << path;
        EXPECT_TRUE(g.IsCustomErrors());
        return r;
    };
    const std::string bad = "Bad x,y (error) values";
    struct Case {
        const char* name;
        std::string content;
    } cases[] = {
        {"header.txt", "two-theta counts\n1 2\n"},
        {"middle.txt", "1 2\n2 3\n\n4 5\n"},
        {"one.txt", "1\n"},
        {"comma.txt", "1,2\n"},
        {"garbage.bin", std::string("\x01\xFF\xFE\x80 binary\n\x7F\n", 15)},
        {"long.txt", std::string(1000, 'x') + "\n"},
    };
    for (const auto& c : cases) {
        WriteFile(dir.file(c.name), c.content);
        ui.messages.clear();
        EXPECT_EQ(attempt(dir.file(c.name)), 0) << c.name;
        ASSERT_EQ(ui.messages.size(), 1u) << c.name;
        EXPECT_EQ(ui.messages[0].text, bad);
        EXPECT_EQ(ui.messages[0].type, unsigned(MB_ICONEXCLAMATION));
    }
    // A piece that starts with a NUL byte is an empty text and is passed over, as the C library reads it.
    WriteFile(dir.file("nul.txt"), std::string("1 2\n\0\0\0\n", 8));
    CGraphData nul;
    EXPECT_EQ(nul.DoImportFile(dir.file("nul.txt").c_str()), 1);
    EXPECT_EQ(nul.GetSize(), 1);
    // Files that cannot be opened report the file error.
    ui.messages.clear();
    EXPECT_EQ(attempt(dir.file("missing.txt")), 0);
    EXPECT_EQ(attempt(dir.path().string()), 0);
    // A socket in the file system cannot be opened for reading, even by root.
    std::string sock = dir.file("sock");
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", sock.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    EXPECT_EQ(attempt(sock), 0);
    ::close(fd);
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_NE(ui.messages[0].text.find("missing.txt"), std::string::npos);
    CGraphData g = before;
    EXPECT_EQ(g.DoImportFile(nullptr), 0);
}

TEST(GraphDataText, ExportWritesTabsAndThreeDigitExponents) {
    TempDir dir;
    RecordingUi ui;
    CGraphData g;
    g.Add(10.5, 123456789, 0, 0);
    ASSERT_EQ(g.DoExportAsText(dir.file("out.txt").c_str()), 1);
    EXPECT_EQ(ReadFile(dir.file("out.txt")), "10.5\t1.23457e+008\r\n");
    CGraphData c = Sample();
    ASSERT_EQ(c.DoExportAsText(dir.file("c.txt").c_str()), 1);
    EXPECT_EQ(ReadFile(dir.file("c.txt")), "1\t4\t0.25\r\n2\t9\t0.5\r\n3.5\t1e+009\t7\r\n");
    CGraphData back;
    ASSERT_EQ(back.DoImportFile(dir.file("c.txt").c_str()), 1);
    EXPECT_EQ(Column(back, CGraphData::YError), Column(c, CGraphData::YError));

    CGraphData empty;
    EXPECT_EQ(empty.DoExportAsText(dir.file("none.txt").c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.txt")));
    EXPECT_EQ(c.DoExportAsText(nullptr), 0);
    EXPECT_TRUE(ui.messages.empty());
    // A device that is always full: the write error is reported and the result is failure.
    EXPECT_EQ(c.DoExportAsText("/dev/full"), 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("No space"), std::string::npos);
    EXPECT_EQ(c.DoExportAsText(dir.file("no/such/dir.txt").c_str()), 0);
}

TEST(GraphDataText, ExportWritesWhatPrintfWritesInTheCLocale) {
    // Every line as "%g" in the C locale prints it (AppendG), with the three-digit exponent, for integers, tiny
    // and huge magnitudes, both signs, the edges where %g changes notation, rounding carries, subnormals, zero
    // signs, infinities, NaNs and random bit patterns.
    std::vector<double> v = {0.0, -0.0, 1.0, -1.0, 7.0, 100.0, 123456.0, 999999.0, 999999.5, 1e6, 1234567.0,
                             -987654321.0, 0.1, 0.0001, 0.00001, 1.5e-5, 9.999995e-5, 1e-300, -2.5e-308,
                             4.9406564584124654e-324, 1.7976931348623157e308, 1e100, -1e-100, 1e99, 9.9999995e99,
                             123.456789, 0.000123456789, 5e-5, 2.2250738585072014e-308,
                             std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                             std::nan(""), -std::nan("")};
    for (int i = 0; i < 3000; ++i) {
        v.push_back(5.0 + 0.001 * i);  // angles on a step
        v.push_back(-0.02 * i - 1e-5);
        v.push_back(i * 1.25e-7);
    }
    std::mt19937_64 rng(99);
    // Decimals of up to six digits from 1 to 999999.x, and the doubles next to them, which need more digits.
    for (int i = 0; i < 3000; ++i) {
        const double d = static_cast<double>(rng() % 1000000) / std::pow(10.0, static_cast<int>(rng() % 6));
        v.push_back(i % 2 ? -d : d);
        v.push_back(std::nextafter(d, 2e6));
        v.push_back(std::nextafter(d, 0.0));
    }
    for (int i = 0; i < 3000; ++i) {
        const std::uint64_t bits = rng();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        v.push_back(d);
        v.push_back(std::ldexp(static_cast<double>(rng() % 2000000) - 1e6, static_cast<int>(rng() % 80) - 40));
        v.push_back((static_cast<double>(rng() % 2000001) - 1e6) * std::pow(10.0, static_cast<int>(rng() % 24) - 14));
    }
    TempDir dir;
    RecordingUi ui;
    CGraphData g(1);
    g.SetSize(static_cast<int>(v.size() / 3));
    std::vector<std::string> expected;
    for (int i = 0; i < g.GetSize(); ++i) {
        const double x = v[3 * i], y = v[3 * i + 1], e = v[3 * i + 2];
        g.SetAt(CGraphData::X, i, x);
        g.SetAt(CGraphData::Y, i, y);
        g.SetAt(CGraphData::YError, i, e);
        CString line;
        AppendG(line, x);
        line += '\t';
        AppendG(line, y);
        line += '\t';
        AppendG(line, e);
        expected.push_back(line + "\r\n");
    }
    ASSERT_EQ(g.DoExportAsText(dir.file("all.txt").c_str()), 1);
    const std::string written = ReadFile(dir.file("all.txt"));
    size_t at = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        const size_t end = written.find("\r\n", at);
        ASSERT_NE(end, std::string::npos) << "line " << i;
        ASSERT_EQ(written.substr(at, end + 2 - at), expected[i])
            << "line " << i << ": " << std::hexfloat << v[3 * i] << " " << v[3 * i + 1] << " " << v[3 * i + 2];
        at = end + 2;
    }
    EXPECT_EQ(at, written.size());
}
