#include <gtest/gtest.h>

#include <string>

#include "support/support.h"
#include "xrddata/formats/bytes.h"

using namespace xrddata::formats;

TEST(BinaryDecode, LittleEndianFieldsAndTexts) {
    testing_support::Bytes b;
    b.u16(0xFEDC).i32(-123456789).f32(-1.5f).f64(1.5406).raw(std::string("  Cu\t\0xy", 8)).raw("ABCD");
    const std::byte* p = reinterpret_cast<const std::byte*>(b.data.data());
    EXPECT_EQ(le::u16(p), 0xFEDC);
    EXPECT_EQ(le::i16(p), -292);
    EXPECT_EQ(le::i32(p + 2), -123456789);
    EXPECT_EQ(le::u32(p + 2), 4171510507u);
    EXPECT_EQ(le::f32(p + 6), -1.5f);
    EXPECT_EQ(le::f64(p + 10), 1.5406);
    EXPECT_EQ(FieldText(p + 18, 8), std::string("  Cu\t"));
    EXPECT_EQ(TrimmedFieldText(p + 18, 8), "Cu");
    EXPECT_EQ(FieldText(p + 26, 4), "ABCD");  // no terminator: the whole field
    EXPECT_EQ(FieldText(p + 26, 2), "AB");
}
