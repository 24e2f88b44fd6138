// Archive primitives: exact byte encodings, both directions, and clean failures on damaged streams.
#include <gtest/gtest.h>

#include <limits>

#include "support/support.h"
#include "xrddata/platform/archive.h"
#include "xrddata/platform/carray.h"
#include "xrddata/platform/memfile.h"

using testing_support::Bytes;

namespace {

template <class F>
std::string Store(F&& write) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        write(ar);
        ar.Close();
    }
    auto bytes = file.Detach();
    return std::string(bytes.begin(), bytes.end());
}

template <class F>
void Load(const std::string& bytes, F&& read) {
    CMemFile file(bytes.data(), bytes.size());
    CArchive ar(&file, CArchive::load);
    read(ar);
}

int LoadCause(const std::string& bytes, void (*read)(CArchive&)) {
    try {
        Load(bytes, read);
    } catch (const CArchiveException& e) {
        return e.m_cause;
    }
    return -1;
}

}  // namespace

TEST(Archive, PrimitiveEncodingsAreLittleEndianWithoutPadding) {
    std::string s = Store([](CArchive& ar) {
        ar << static_cast<BYTE>(0xAB) << static_cast<WORD>(0x1234) << static_cast<std::int32_t>(-2)
           << static_cast<std::uint32_t>(0x71811680u) << 1.5f << 37622.5;
    });
    EXPECT_EQ(s, Bytes()
                     .u8(0xAB)
                     .u16(0x1234)
                     .u32(0xFFFFFFFE)
                     .raw("\x80\x16\x81\x71")
                     .f32(1.5f)
                     .raw(std::string("\x00\x00\x00\x00\xD0\x5E\xE2\x40", 8))
                     .str());
    Load(s, [](CArchive& ar) {
        BYTE b;
        WORD w;
        std::int32_t i;
        std::uint32_t u;
        float f;
        double d;
        ar >> b >> w >> i >> u >> f >> d;
        EXPECT_EQ(b, 0xAB);
        EXPECT_EQ(w, 0x1234);
        EXPECT_EQ(i, -2);
        EXPECT_EQ(u, 0x71811680u);
        EXPECT_EQ(f, 1.5f);
        EXPECT_EQ(d, 37622.5);
    });
}

TEST(Archive, CountsUseAWordBelow0xFFFFAndAnEscapeAbove) {
    EXPECT_EQ(Store([](CArchive& ar) { ar.WriteCount(0xFFFE); }), Bytes().u16(0xFFFE).str());
    EXPECT_EQ(Store([](CArchive& ar) { ar.WriteCount(0xFFFF); }), Bytes().u16(0xFFFF).u32(0xFFFF).str());
    EXPECT_EQ(Store([](CArchive& ar) { ar.WriteCount(70000); }), Bytes().u16(0xFFFF).raw("\x70\x11\x01").u8(0).str());
    Load(Bytes().u16(0xFFFF).u32(70000).u16(12).str(), [](CArchive& ar) {
        EXPECT_EQ(ar.ReadCount(), 70000u);
        EXPECT_EQ(ar.ReadCount(), 12u);
    });
}

TEST(Archive, StringsCarryTheirLengthPrefix) {
    EXPECT_EQ(Store([](CArchive& ar) { ar << CString("abc"); }), "\x03" "abc");
    EXPECT_EQ(Store([](CArchive& ar) { ar << CString(); }), std::string(1, '\0'));
    std::string s300 = Store([](CArchive& ar) { ar << CString(300, 'x'); });
    EXPECT_EQ(s300.substr(0, 3), "\xFF\x2C\x01");
    EXPECT_EQ(s300.size(), 303u);
    std::string s254 = Store([](CArchive& ar) { ar << CString(254, 'y'); });
    EXPECT_EQ(static_cast<unsigned char>(s254[0]), 254);
    std::string big = Store([](CArchive& ar) { ar << CString(0x10000, 'z'); });
    EXPECT_EQ(big.substr(0, 7), Bytes().u8(0xFF).u16(0xFFFF).u32(0x10000).str());

    // Non-ASCII bytes go out and come back unchanged.
    std::string utf8 = "Quarz \xC3\xA4\xE2\x82\xAC";
    Load(Store([&](CArchive& ar) { ar << utf8 << CString(300, 'x') << CString(0x10000, 'z'); }),
         [&](CArchive& ar) {
             CString a, b, c;
             ar >> a >> b >> c;
             EXPECT_EQ(a, utf8);
             EXPECT_EQ(b, CString(300, 'x'));
             EXPECT_EQ(c, CString(0x10000, 'z'));
         });
}

TEST(Archive, SixteenBitStringsLoadAsUtf8) {
    // FF FE FF announces 16-bit characters; the length follows in the same prefix scheme.
    std::string bytes = Bytes().u8(0xFF).u16(0xFFFE).u8(3).u16('C').u16(0x00E4).u16(0x20AC).str();
    Load(bytes, [](CArchive& ar) {
        CString s;
        ar >> s;
        EXPECT_EQ(s, "C\xC3\xA4\xE2\x82\xAC");
    });
    std::string longer = Bytes().u8(0xFF).u16(0xFFFE).u8(0xFF).u16(300).str() + std::string(600, '\0');
    for (int i = 0; i < 300; ++i) longer[6 + 2 * i] = 'a';
    Load(longer, [](CArchive& ar) {
        CString s;
        ar >> s;
        EXPECT_EQ(s, CString(300, 'a'));
    });
    // A surrogate pair is one character; a lone surrogate (here a low one, then a high one at the end) has none.
    std::string pairs = Bytes().u8(0xFF).u16(0xFFFE).u8(4).u16(0xD83D).u16(0xDE00).u16(0xDC00).u16(0xD800).str();
    Load(pairs, [](CArchive& ar) {
        CString s;
        ar >> s;
        EXPECT_EQ(s, "\xF0\x9F\x98\x80??");
    });
}

TEST(Archive, DateTimeIsStatusThenDayNumber) {
    COleDateTime dt(2003, 1, 1, 12, 0, 0);
    EXPECT_EQ(Store([&](CArchive& ar) { ar << dt; }),
              Bytes().u32(0).raw(std::string("\x00\x00\x00\x00\xD0\x5E\xE2\x40", 8)).str());
    Load(Bytes().u32(2).f64(12.25).u32(9).f64(1.0).str(), [](CArchive& ar) {
        COleDateTime a, b;
        ar >> a >> b;
        EXPECT_EQ(a.GetStatus(), COleDateTime::null);
        EXPECT_EQ(a.m_dt, 12.25);
        EXPECT_EQ(b.GetStatus(), COleDateTime::invalid);  // an unknown status is not taken as valid
    });
}

TEST(Archive, DamagedStreamsFailCleanlyBeforeAllocating) {
    // A count or length larger than the bytes left is the end of the file, not a huge allocation.
    EXPECT_EQ(LoadCause(Bytes().u16(0xFFFF).u32(0xFFFFFFF0u).f64(1).str(),
                        [](CArchive& ar) {
                            CArray<double, double> a;
                            a.Serialize(ar);
                        }),
              CArchiveException::endOfFile);
    EXPECT_EQ(LoadCause(Bytes().u8(0xFF).u16(0xFFFF).u32(0x7FFFFFFF).raw("abc").str(),
                        [](CArchive& ar) {
                            CString s;
                            ar >> s;
                        }),
              CArchiveException::endOfFile);
    EXPECT_EQ(LoadCause(Bytes().u8(0xFF).u16(0xFFFE).u8(0xFF).u16(0xFFFF).u32(0x40000000).str(),
                        [](CArchive& ar) {
                            CString s;
                            ar >> s;
                        }),
              CArchiveException::endOfFile);
    EXPECT_EQ(LoadCause(Bytes().u16(7).str(),
                        [](CArchive& ar) {
                            std::uint32_t v;
                            ar >> v;
                        }),
              CArchiveException::endOfFile);
}

TEST(Archive, PlatformArrayOfDoublesRoundTrips) {
    CArray<double, double> a;
    for (int i = 0; i < 70000; ++i) a.Add(i * 0.5);
    std::string s = Store([&](CArchive& ar) { a.Serialize(ar); });
    ASSERT_EQ(s.size(), 6u + 8u * 70000u);
    CArray<double, double> b;
    Load(s, [&](CArchive& ar) { b.Serialize(ar); });
    ASSERT_EQ(b.GetSize(), 70000);
    EXPECT_EQ(b[69999], 69999 * 0.5);
}
