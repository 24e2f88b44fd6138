#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "support/support.h"
#include "xrddata/arrays/dblarray.h"
#include "xrddata/arrays/graphdata.h"
#include "xrddata/platform/sharedmem.h"

using xrddata::platform::CSharedBlock;

namespace {

bool NameExists(const char* name) { return std::filesystem::exists(std::string("/dev/shm/") + name); }

// The slots of a block as another process sees them.
std::vector<double> Slots(const char* name) {
    CSharedBlock b;
    if (!b.Open(name)) return {};
    std::vector<double> v(b.GetSize() / 8);
    std::memcpy(v.data(), b.GetData(), v.size() * 8);
    return v;
}

void WriteSlot(const char* name, int i, double v) {
    CSharedBlock b;
    ASSERT_TRUE(b.Open(name));
    ASSERT_LT(static_cast<size_t>(i) * 8, b.GetSize());
    static_cast<double*>(b.GetData())[i] = v;
}

std::vector<double> Elements(const CdblArray& a) { return std::vector<double>(a.GetData(), a.GetData() + a.GetSize()); }

CdblArray Make(std::initializer_list<double> values) {
    CdblArray a;
    for (double v : values) a.Add(v);
    return a;
}

}  // namespace

TEST(DblArrayShare, NameAndEmptyArray) {
    CdblArray a;
    char expected[64];
    std::snprintf(expected, sizeof expected, "CdblArray_Shared_%lx", reinterpret_cast<unsigned long>(&a));
    EXPECT_STREQ(a.GetShareName(), expected);

    EXPECT_EQ(a.Share(), 0);
    EXPECT_EQ(a.IsSharing(), 0);
    EXPECT_EQ(a.NShared(), 0u);
    EXPECT_FALSE(NameExists(a.GetShareName()));

    // A copy has its own name and does not take over the source's block.
    a.Add(1);
    ASSERT_EQ(a.Share(), 1);
    CdblArray b(a);
    EXPECT_STRNE(b.GetShareName(), a.GetShareName());
    EXPECT_EQ(b.IsSharing(), 0);
}

TEST(DblArrayShare, BlockFollowsTheArrayThroughShrinkGrowAndEnd) {
    CdblArray a = Make({1.5, 2.5, 3.5});
    ASSERT_EQ(a.Share(), 1);
    EXPECT_EQ(a.IsSharingValid(), 1);
    EXPECT_EQ(a.NShared(), 3u);
    // The block is the bare little-endian doubles.
    {
        CSharedBlock b;
        ASSERT_TRUE(b.Open(a.GetShareName()));
        EXPECT_EQ(std::string(static_cast<const char*>(b.GetData()), b.GetSize()),
                  testing_support::Bytes().f64(1.5).f64(2.5).f64(3.5).str());
    }

    // Shrinking keeps the block valid; the surplus slot becomes 0.0 on the next refresh towards the block.
    a.SetSize(2, -1);
    EXPECT_EQ(a.IsSharingValid(), 1);
    // Share on a validly shared array refreshes the same block.
    a[0] = 9.0;
    EXPECT_EQ(a.Share(), 1);
    EXPECT_EQ(a.NShared(), 3u);
    EXPECT_EQ(Slots(a.GetShareName()), (std::vector<double>{9.0, 2.5, 0.0}));

    // Growing beyond the block makes it invalid: refreshes are skipped until Share makes a new block.
    a.SetSize(5, -1);
    a[4] = 7.0;
    EXPECT_EQ(a.IsSharing(), 1);
    EXPECT_EQ(a.IsSharingValid(), 0);
    a.ShareRefresh(CdblArray::ToShared);
    EXPECT_EQ(Slots(a.GetShareName()), (std::vector<double>{9.0, 2.5, 0.0}));
    EXPECT_EQ(a.Share(), 1);
    EXPECT_EQ(a.NShared(), 5u);
    EXPECT_EQ(Slots(a.GetShareName()), (std::vector<double>{9.0, 2.5, 0.0, 0.0, 7.0}));

    a.ShareEnd();
    EXPECT_EQ(a.IsSharing(), 0);
    EXPECT_EQ(a.NShared(), 0u);
    EXPECT_FALSE(NameExists(a.GetShareName()));
    EXPECT_EQ(a.GetSize(), 5);  // ending the sharing keeps the elements

    // RemoveAll and destruction end sharing too.
    ASSERT_EQ(a.Share(), 1);
    a.RemoveAll();
    EXPECT_FALSE(NameExists(a.GetShareName()));
    std::string name;
    {
        CdblArray b = Make({1, 2});
        ASSERT_EQ(b.Share(), 1);
        name = b.GetShareName();
        EXPECT_TRUE(NameExists(name.c_str()));
    }
    EXPECT_FALSE(NameExists(name.c_str()));
}

TEST(DblArrayShare, ReadBackSkipsEmptySlots) {
    CdblArray a = Make({1, 2, 3, 4});
    ASSERT_EQ(a.Share(), 1);
    WriteSlot(a.GetShareName(), 1, DBL_MAX);
    a.ShareRefresh(CdblArray::FromShared);
    EXPECT_EQ(Elements(a), (std::vector<double>{1, 3, 4}));
    EXPECT_EQ(a.NShared(), 4u);

    // Infinity and NaN are empty too; the most negative double and the values just below the marker are kept.
    a.ShareRefresh(CdblArray::ToShared);
    EXPECT_EQ(Slots(a.GetShareName()), (std::vector<double>{1, 3, 4, 0}));
    WriteSlot(a.GetShareName(), 0, std::numeric_limits<double>::infinity());
    WriteSlot(a.GetShareName(), 1, std::nan(""));
    WriteSlot(a.GetShareName(), 2, -DBL_MAX);
    WriteSlot(a.GetShareName(), 3, std::nextafter(DBL_MAX, 0.0));
    a.ShareRefresh(CdblArray::FromShared);
    EXPECT_EQ(Elements(a), (std::vector<double>{-DBL_MAX, std::nextafter(DBL_MAX, 0.0)}));

    // Every slot empty: the array is emptied but stays validly shared.
    for (int i = 0; i < 4; ++i) WriteSlot(a.GetShareName(), i, DBL_MAX);
    a.ShareRefresh(CdblArray::FromShared);
    EXPECT_EQ(a.GetSize(), 0);
    EXPECT_EQ(a.IsSharingValid(), 1);
}

TEST(DblArrayShare, AnotherProcessReadsAndShortens) {
    CdblArray a = Make({10, 20, 30, 40});
    ASSERT_EQ(a.Share(), 1);
    const std::string name = a.GetShareName();

    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // The other process: finds the block by its name alone, checks it and removes the points 10 and 30.
        CSharedBlock b;
        if (!b.Open(name.c_str())) _exit(2);
        auto* slots = static_cast<double*>(b.GetData());
        if (b.GetSize() != 32 || slots[0] != 10 || slots[1] != 20 || slots[2] != 30 || slots[3] != 40) _exit(3);
        slots[0] = DBL_MAX;
        slots[2] = DBL_MAX;
        b.Close();
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);

    a.ShareRefresh(CdblArray::FromShared);
    EXPECT_EQ(Elements(a), (std::vector<double>{20, 40}));
    // The other process only opened the block: the name is still this process's until it ends the sharing.
    EXPECT_TRUE(NameExists(name.c_str()));
    a.ShareEnd();
    EXPECT_FALSE(NameExists(name.c_str()));
}

TEST(DblArrayShare, NameAlreadyInUseFails) {
    CdblArray a = Make({1, 2, 3});
    CSharedBlock squatter;
    ASSERT_TRUE(squatter.Create(a.GetShareName(), 8));
    static_cast<double*>(squatter.GetData())[0] = 42.0;

    EXPECT_EQ(a.Share(), 0);
    EXPECT_EQ(a.IsSharing(), 0);
    EXPECT_EQ(a.NShared(), 0u);
    // The failed attempt leaves the other owner's block and name alone.
    EXPECT_TRUE(NameExists(a.GetShareName()));
    EXPECT_EQ(Slots(a.GetShareName()), (std::vector<double>{42.0}));

    squatter.Close();
    EXPECT_EQ(a.Share(), 1);
    EXPECT_EQ(a.NShared(), 3u);
}

TEST(DblArrayShare, SafeArray) {
    CdblArray a = Make({1.5, 2.5});
    VARIANT v = a.GetSafeArray();
    ASSERT_EQ(v.vt, VT_ARRAY | VT_R8);
    EXPECT_EQ(SafeArrayGetDim(v.parray), 1u);
    LONG lo = -1, hi = -1;
    SafeArrayGetLBound(v.parray, 1, &lo);
    SafeArrayGetUBound(v.parray, 1, &hi);
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 1);
    double* data = nullptr;
    SafeArrayAccessData(v.parray, reinterpret_cast<void**>(&data));
    EXPECT_EQ(data[0], 1.5);
    EXPECT_EQ(data[1], 2.5);
    EXPECT_NE(data, a.GetData());  // a copy
    SafeArrayUnaccessData(v.parray);
    EXPECT_EQ(VariantClear(&v), S_OK);

    CdblArray empty;
    EXPECT_EQ(empty.GetSafeArray().vt, VT_EMPTY);
    empty.Add(1);
    empty.SetSize(0, -1);
    EXPECT_EQ(empty.GetSafeArray().vt, VT_EMPTY);
}

TEST(GraphDataShare, ThreeColumnsOrTwo) {
    double x[] = {1, 2, 3}, y[] = {4, 9, 16};
    CGraphData g(3, x, y, nullptr);
    ASSERT_FALSE(g.IsCustomErrors());
    ASSERT_EQ(g.Share(1), 1);
    EXPECT_TRUE(g.IsCustomErrors());
    EXPECT_EQ(g.IsSharing(), 1);
    EXPECT_EQ(g.IsSharingValid(), 1);
    EXPECT_EQ(g.NShared(), 3u);
    EXPECT_EQ(Slots(g.GetXShareName()), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(Slots(g.GetYShareName()), (std::vector<double>{4, 9, 16}));
    EXPECT_EQ(Slots(g.GetYErrorShareName()), (std::vector<double>{2, 3, 4}));

    // Without errors: x and y stay shared, the error block ends.
    const std::string errName = g.GetYErrorShareName();
    ASSERT_EQ(g.Share(0), 1);
    EXPECT_EQ(g.IsSharing(), 1);
    EXPECT_FALSE(NameExists(errName.c_str()));
    EXPECT_TRUE(g.IsCustomErrors());
    // Not all three columns validly shared: the point set's refresh and end leave the x and y blocks alone.
    EXPECT_EQ(g.IsSharingValid(), 0);
    g.SetAt(CGraphData::Y, 0, 5);
    g.ShareRefresh(CdblArray::ToShared);
    EXPECT_EQ(Slots(g.GetYShareName()), (std::vector<double>{4, 9, 16}));
    g.ShareEnd();
    EXPECT_TRUE(NameExists(g.GetXShareName()));

    // Back to three blocks; counting statistics end the error block, RemoveAll the others.
    ASSERT_EQ(g.Share(1), 1);
    EXPECT_EQ(Slots(g.GetYShareName()), (std::vector<double>{5, 9, 16}));
    g.SetCountingStatistics();
    EXPECT_FALSE(NameExists(errName.c_str()));
    ASSERT_EQ(g.Share(1), 1);
    g.RemoveAll();
    EXPECT_EQ(g.IsSharing(), 0);
    EXPECT_FALSE(NameExists(g.GetXShareName()));
    EXPECT_FALSE(NameExists(g.GetYShareName()));
    EXPECT_FALSE(NameExists(g.GetYErrorShareName()));

    // Destruction removes every block, also of a set shared without errors.
    std::string xName, yName;
    {
        CGraphData h(3, x, y, nullptr);
        ASSERT_EQ(h.Share(0), 1);
        EXPECT_FALSE(h.IsCustomErrors());
        xName = h.GetXShareName();
        yName = h.GetYShareName();
        EXPECT_FALSE(NameExists(h.GetYErrorShareName()));
    }
    EXPECT_FALSE(NameExists(xName.c_str()));
    EXPECT_FALSE(NameExists(yName.c_str()));

    // An empty set cannot share (but has switched to custom errors first).
    CGraphData none;
    EXPECT_EQ(none.Share(1), 0);
    EXPECT_EQ(none.IsSharing(), 0);
}

TEST(GraphDataShare, ReadBackKeepsTheColumnsParallel) {
    double x[] = {1, 2, 3, 4}, y[] = {10, 20, 30, 40}, e[] = {1, 2, 3, 4};
    CGraphData g(4, x, y, e);
    ASSERT_EQ(g.Share(1), 1);
    // The other process drops point 1 from every column.
    WriteSlot(g.GetXShareName(), 1, DBL_MAX);
    WriteSlot(g.GetYShareName(), 1, DBL_MAX);
    WriteSlot(g.GetYErrorShareName(), 1, DBL_MAX);
    g.SetAt(CGraphData::Y, 0, 11);
    g.ShareRefresh(CdblArray::FromShared);
    ASSERT_EQ(g.GetSize(), 3);
    EXPECT_EQ(g.GetAt(CGraphData::X, 1), 3);
    EXPECT_EQ(g.GetAt(CGraphData::Y, 0), 10);  // the block's value wins
    EXPECT_EQ(g.GetAt(CGraphData::YError, 2), 4);

    // A process that empties a slot of one column only: the set keeps as many points as every column has.
    CGraphData h(4, x, y, e);
    ASSERT_EQ(h.Share(1), 1);
    WriteSlot(h.GetYShareName(), 0, DBL_MAX);
    h.ShareRefresh(CdblArray::FromShared);
    EXPECT_EQ(h.GetSize(), 3);
    CArray<double, double> cx, cy, ce;
    h.GetData(cx, cy, ce);
    EXPECT_EQ(cx.GetSize(), 3);
    EXPECT_EQ(ce.GetSize(), 3);
    ASSERT_EQ(cy.GetSize(), 3);
    EXPECT_EQ(cx[2], 3);
    EXPECT_EQ(cy[0], 20);
    EXPECT_EQ(cy[2], 40);
}

TEST(GraphDataShare, SafeArrayPerColumn) {
    double x[] = {1, 2}, y[] = {4, 9}, e[] = {0.5, 0.25};
    CGraphData g(2, x, y, e);
    const struct {
        CGraphData::Prop p;
        double first;
    } cases[] = {{CGraphData::X, 1}, {CGraphData::Y, 4}, {CGraphData::YError, 0.5}};
    for (const auto& c : cases) {
        VARIANT v = g.GetSafeArray(c.p);
        ASSERT_EQ(v.vt, VT_ARRAY | VT_R8) << c.p;
        EXPECT_EQ(static_cast<double*>(v.parray->pvData)[0], c.first);
        VariantClear(&v);
    }
    EXPECT_EQ(g.GetSafeArray(static_cast<CGraphData::Prop>(7)).vt, VT_EMPTY);
    g.SetCountingStatistics();
    EXPECT_EQ(g.GetSafeArray(CGraphData::YError).vt, VT_EMPTY);
}
