#include <gtest/gtest.h>

#include <string>

#include "support/support.h"
#include "xrddata/import/readers/binary.h"

TEST(BinaryDecode, LittleEndianFieldsAndTexts) {
    testing_support::Bytes b;
    b.u16(0xFEDC).i32(-123456789).f32(-1.5f).f64(1.5406).raw(std::string("  Cu\t\0xy", 8)).raw("ABCD");
    const BYTE* p = reinterpret_cast<const BYTE*>(b.data.data());
    EXPECT_EQ(binary::U16(p), 0xFEDC);
    EXPECT_EQ(binary::I16(p), -292);
    EXPECT_EQ(binary::I32(p + 2), -123456789);
    EXPECT_EQ(binary::U32(p + 2), 4171510507u);
    EXPECT_EQ(binary::F32(p + 6), -1.5f);
    EXPECT_EQ(binary::F64(p + 10), 1.5406);
    EXPECT_EQ(binary::Text(p + 18, 8), std::string("  Cu\t"));
    EXPECT_EQ(binary::TrimmedText(p + 18, 8), "Cu");
    EXPECT_EQ(binary::Text(p + 26, 4), "ABCD");  // no terminator: the whole field
    EXPECT_EQ(binary::Text(p + 26, 2), "AB");
}
