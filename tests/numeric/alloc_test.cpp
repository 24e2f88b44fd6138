// Index-ranged vectors and matrices: every index of the range is usable (the sanitizer build catches any
// access outside the block), elements are sized by their type, release takes the lower bounds.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <new>
#include <tuple>
#include <utility>

#include "xrddata/numeric/alloc.h"

namespace {

template <class T, class Alloc, class Free>
void CheckVector(Alloc alloc, Free release, long lo, long hi) {
    T* v = alloc(lo, hi);
    ASSERT_NE(v, nullptr);
    for (long i = lo; i <= hi; ++i) std::memset(&v[i], 0xA5, sizeof(T));  // every byte of every element
    for (long i = lo; i <= hi; ++i) v[i] = static_cast<T>(i - lo + 1);
    for (long i = lo; i <= hi; ++i) EXPECT_EQ(v[i], static_cast<T>(i - lo + 1)) << lo << ".." << hi << " at " << i;
    if (hi > lo) {
        EXPECT_EQ(&v[hi] - &v[lo], hi - lo);
    }
    release(v, lo, hi);
}

template <class T, class Alloc, class Free>
void CheckAllRanges(Alloc alloc, Free release) {
    for (auto [lo, hi] : {std::pair{1L, 3L}, {0L, 2L}, {-5L, 5L}, {7L, 9L}, {1L, 1L}, {4L, 3L}, {-3L, -1L}})
        CheckVector<T>(alloc, release, lo, hi);
}

}  // namespace

TEST(Alloc, VectorsCoverTheirRangesWithElementsOfTheirType) {
    CheckAllRanges<double>(dvector, free_dvector);
    CheckAllRanges<float>(vector, free_vector);
    CheckAllRanges<int>(ivector, free_ivector);
    CheckAllRanges<unsigned char>(cvector, free_cvector);
    CheckAllRanges<unsigned long>(lvector, free_lvector);
    // 64-bit elements really are 64 bits wide.
    unsigned long* l = lvector(1, 2);
    l[1] = ~0UL;
    l[2] = 0x0123456789abcdefUL;
    EXPECT_EQ(l[1], ~0UL);
    EXPECT_EQ(l[2], 0x0123456789abcdefUL);
    free_lvector(l, 1, 2);

    // tvector: elements of a caller-given size.
    struct Rec {
        double a, b, c;
    };
    for (auto [lo, hi] : {std::pair{1L, 4L}, {-2L, 2L}, {10L, 12L}}) {
        Rec* r = static_cast<Rec*>(tvector(lo, hi, sizeof(Rec)));
        for (long i = lo; i <= hi; ++i) r[i] = {double(i), double(i) * 2, double(i) * 3};
        for (long i = lo; i <= hi; ++i) EXPECT_EQ(r[i].c, 3.0 * i);
        free_tvector(r, lo, hi, sizeof(Rec));
    }
}

TEST(Alloc, MatricesAreContiguousRowsOverTheirRanges) {
    for (auto [rlo, rhi, clo, chi] : {std::tuple{1L, 3L, 1L, 4L}, {0L, 2L, -1L, 1L}, {5L, 6L, 3L, 3L}}) {
        double** m = dmatrix(rlo, rhi, clo, chi);
        long ncol = chi - clo + 1;
        for (long r = rlo; r <= rhi; ++r)
            for (long c = clo; c <= chi; ++c) m[r][c] = 100.0 * r + c;
        for (long r = rlo; r <= rhi; ++r) {
            if (r > rlo) {
                EXPECT_EQ(&m[r][clo], &m[r - 1][clo] + ncol);
            }
            for (long c = clo; c <= chi; ++c) EXPECT_EQ(m[r][c], 100.0 * r + c);
        }
        free_dmatrix(m, rlo, rhi, clo, chi);
    }
    float** f = matrix(-1, 1, 1, 2);
    int** im = imatrix(1, 2, 0, 3);
    for (long r = -1; r <= 1; ++r)
        for (long c = 1; c <= 2; ++c) f[r][c] = static_cast<float>(r * c);
    for (long r = 1; r <= 2; ++r)
        for (long c = 0; c <= 3; ++c) im[r][c] = static_cast<int>(r * 10 + c);
    EXPECT_EQ(f[-1][2], -2.0f);
    EXPECT_EQ(im[2][3], 23);
    free_matrix(f, -1, 1, 1, 2);
    free_imatrix(im, 1, 2, 0, 3);
    // Empty row or column ranges allocate and release cleanly.
    free_dmatrix(dmatrix(1, 0, 1, 3), 1, 0, 1, 3);
    free_dmatrix(dmatrix(1, 3, 1, 0), 1, 3, 1, 0);
}

TEST(Alloc, ImpossibleRangesRaiseTheMemoryExceptionAndNullIsIgnored) {
    EXPECT_THROW(dvector(5, 2), std::bad_alloc);
    EXPECT_THROW(dvector(0, LONG_MAX), std::bad_alloc);
    EXPECT_THROW(dvector(LONG_MIN, LONG_MAX), std::bad_alloc);
    EXPECT_THROW(tvector(1, LONG_MAX / 4, 64), std::bad_alloc);
    EXPECT_THROW(dmatrix(1, 1L << 31, 1, 1L << 31), std::bad_alloc);
    EXPECT_THROW(dmatrix(1, 3, 4, 1), std::bad_alloc);
    free_dvector(nullptr, 1, 3);
    free_dmatrix(nullptr, 1, 3, 1, 3);
    free_tvector(nullptr, 1, 3, 8);
}

TEST(Alloc, ZeroBasedStorageIsHandedOverFromTheAddressBeforeIt) {
    double z[3] = {1.5, 2.5, 3.5};
    double* one = OneBased(z);
    EXPECT_EQ(one[1], 1.5);
    EXPECT_EQ(one[3], 3.5);
    EXPECT_EQ(&IndexFrom(z, -1)[-1], &z[0]);
}
