// The umbrella header compiles on its own and brings in the whole public interface.
#include "xrddata/xrddata.h"

#include <gtest/gtest.h>

TEST(Umbrella, DeclaresThePublicClasses) {
    CXRDData pattern;
    EXPECT_EQ(pattern.GetSize(), 0);
    EXPECT_EQ(pattern.IsKa2Stripped(), 0);
}
