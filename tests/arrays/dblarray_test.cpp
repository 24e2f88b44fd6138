// The array of doubles: growth rule, editing, search and the exact sort.
#include <gtest/gtest.h>

#include <random>

#include "arrays/reference_sort.h"
#include "xrddata/arrays/dblarray.h"

namespace {

struct Probe : CdblArray {
    int Capacity() const { return m_nMaxSize; }
    int Step() const { return m_nGrowBy; }
};

std::vector<double> Values(const CdblArray& a) { return std::vector<double>(a.GetData(), a.GetData() + a.GetSize()); }

}  // namespace

TEST(DblArray, GrowthFollowsTheStepRule) {
    Probe a;
    a.SetSize(10, -1);
    EXPECT_EQ(a.Capacity(), 10);
    a.SetSize(11, -1);
    EXPECT_EQ(a.Capacity(), 14);  // 10 + max(4, 10/8)
    a.SetSize(16000, -1);
    a.SetSize(16001, -1);
    EXPECT_EQ(a.Capacity(), 16000 + 1024);
    a.SetAt(0, 5.0);
    a.SetSize(3, -1);
    EXPECT_EQ(a.Capacity(), 17024);  // shrinking keeps the buffer
    a.SetAt(2, 9.0);
    a.SetSize(5, -1);
    EXPECT_EQ(Values(a), (std::vector<double>{5, 0, 9, 0, 0}));  // grown places are zero, not old values
    a.SetSize(0, -1);
    EXPECT_EQ(a.Capacity(), 0);
    EXPECT_EQ(a.GetData(), nullptr);

    Probe b;
    b.SetSize(5, 100);
    b.SetSize(6, -1);
    EXPECT_EQ(b.Step(), 100);
    EXPECT_EQ(b.Capacity(), 105);
    b.FreeExtra();
    EXPECT_EQ(b.Capacity(), 6);
}

TEST(DblArray, EditingOperations) {
    CdblArray a;
    for (double v : {1.0, 2.0, 3.0}) a.Add(v);
    a.InsertAt(7, 2.5, 2);
    EXPECT_EQ(Values(a), (std::vector<double>{1, 2, 3, 0, 0, 0, 0, 2.5, 2.5}));
    a.RemoveAt(3, 4);
    EXPECT_EQ(Values(a), (std::vector<double>{1, 2, 3, 2.5, 2.5}));
    a.InsertAt(1, 9.0, 2);
    EXPECT_EQ(Values(a), (std::vector<double>{1, 9, 9, 2, 3, 2.5, 2.5}));
    CdblArray b;
    b.Add(-1);
    b.Add(-2);
    a.InsertAt(0, &b);
    EXPECT_EQ(a.GetAt(0), -1);
    EXPECT_EQ(a.GetAt(1), -2);
    EXPECT_EQ(a.Append(b), 9);
    EXPECT_EQ(a.GetSize(), 11);
    a.SetAtGrow(13, 4.0);
    EXPECT_EQ(a.GetSize(), 14);
    EXPECT_EQ(a.GetAt(12), 0.0);

    CArray<double, double> plain;
    CdblArray empty;
    empty.GetData(plain);
    EXPECT_EQ(plain.GetSize(), 0);
    EXPECT_EQ(plain.GetData(), nullptr);
    b.GetData(plain);
    EXPECT_EQ(plain.GetSize(), 2);
    CdblArray c(plain);
    EXPECT_EQ(Values(c), (std::vector<double>{-1, -2}));

    CdblArray copy(a);
    EXPECT_EQ(Values(copy), Values(a));
    EXPECT_NE(copy.GetData(), a.GetData());
    EXPECT_STRNE(copy.GetShareName(), a.GetShareName());
}

TEST(DblArray, ElementwiseArithmeticNeedsEqualSizes) {
    CdblArray a, b, c;
    for (double v : {1.0, 2.0, 3.0}) a.Add(v), b.Add(10 * v);
    for (double v : {1.0, 1.0, 1.0, 1.0}) c.Add(v);
    a += c;
    EXPECT_EQ(Values(a), (std::vector<double>{1, 2, 3}));
    a += b;
    EXPECT_EQ(Values(a), (std::vector<double>{11, 22, 33}));
    a -= b;
    EXPECT_EQ(Values(a), (std::vector<double>{1, 2, 3}));
}

TEST(DblArray, LocateBrackets) {
    CdblArray a;
    EXPECT_EQ(a.Locate(1.0), -1);
    a.Add(5.0);
    EXPECT_EQ(a.Locate(-100.0), 0);
    a.RemoveAll();
    for (double v : {1.0, 2.0, 3.0}) a.Add(v);
    EXPECT_EQ(a.Locate(0.5), 0);
    EXPECT_EQ(a.Locate(1.0), 0);
    EXPECT_EQ(a.Locate(2.5), 1);
    EXPECT_EQ(a.Locate(3.0), 2);
    EXPECT_EQ(a.Locate(10.0), 2);
}

TEST(DblArray, SortFollowsTheHeapSortSteps) {
    CdblArray a;
    for (double v : {3.0, 1.0, 2.0}) a.Add(v);
    a.Sort();
    EXPECT_EQ(Values(a), (std::vector<double>{1, 2, 3}));
    a.RemoveAll();
    a.Add(2);
    a.Add(1);
    a.Sort();
    EXPECT_EQ(Values(a), (std::vector<double>{1, 2}));

    std::mt19937 rng(7);
    for (int round = 0; round < 400; ++round) {
        int n = static_cast<int>(rng() % 60);
        CdblArray arr;
        std::vector<RefPoint> ref;
        for (int i = 0; i < n; ++i) {
            double v = static_cast<double>(rng() % 8);
            arr.Add(v);
            ref.push_back({v, 0, 0});
        }
        arr.Sort();
        ReferenceSort(ref);
        for (int i = 0; i < n; ++i) ASSERT_EQ(arr[i], ref[i].x);
        for (int i = 1; i < n; ++i) ASSERT_LE(arr[i - 1], arr[i]);
    }
}
