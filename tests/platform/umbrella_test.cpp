// The umbrella header compiles on its own, brings in the whole public interface, and leaves the host's names
// alone: a host translation unit that says `using namespace std` still means std::vector by `vector`.
#include "xrddata/xrddata.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace std;

namespace {
vector<int> g_hostValues = {3, 1, 2};
}  // namespace

TEST(Umbrella, DeclaresThePublicClasses) {
    CXRDData pattern;
    EXPECT_EQ(pattern.GetSize(), 0);
    EXPECT_EQ(pattern.IsKa2Stripped(), 0);
}

TEST(Umbrella, LeavesTheStandardNamesToTheHost) {
    vector<int> v = g_hostValues;
    sort(v.begin(), v.end());
    string joined;
    for (int i : v) joined += to_string(i);
    EXPECT_EQ(joined, "123");
    EXPECT_EQ(min(v.front(), v.back()), 1);
}
